#pragma once

#include <QString>

namespace brellow::commands {

// What a server command reads from the window that started it: the connection inputs as
// they stand at that moment, and the result labels it may empty first.
class ConnectionInputs {
public:
    virtual ~ConnectionInputs() = default;

    virtual QString ServerName() const = 0;
    // 0 selects integrated security; any other value a server login.
    virtual int SecurityChoice() const = 0;
    virtual QString UserName() const = 0;
    virtual QString Password() const = 0;
    // Empties the edition, version and service-pack labels.
    virtual void ClearServerInfo() = 0;
};

} // namespace brellow::commands
