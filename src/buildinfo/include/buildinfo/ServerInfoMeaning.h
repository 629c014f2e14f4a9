#pragma once

#include <QStringList>

namespace brellow::buildinfo {

// What the three answers of Get Version Info mean, a few sentences each; an answer that means
// nothing has none.
struct ServerInfoMeaning {
    QStringList edition;
    QStringList version;
    QStringList level;
};

} // namespace brellow::buildinfo
