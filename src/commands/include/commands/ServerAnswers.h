#pragma once

#include <QString>
#include <optional>

namespace brellow::commands {

// The three answers of Get Version Info, as far as the server gave them. They are read edition
// first; a value without a text form (a null) ends the reading, so the answers after it are
// absent, and all three are when the query gave no row or failed.
struct ServerAnswers {
    std::optional<QString> edition;
    std::optional<QString> version;
    std::optional<QString> level;
};

} // namespace brellow::commands
