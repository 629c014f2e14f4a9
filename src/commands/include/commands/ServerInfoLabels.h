#pragma once

#include <QString>

namespace brellow::commands {

// The three value labels of the main window that Get Version Info writes.
class ServerInfoLabels {
public:
    virtual ~ServerInfoLabels() = default;

    virtual void SetEdition(const QString& text) = 0;
    virtual void SetVersion(const QString& text) = 0;
    virtual void SetSPLevel(const QString& text) = 0;
};

} // namespace brellow::commands
