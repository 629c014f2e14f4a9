#pragma once

#include "commands/ConnectionInputs.h"
#include "commands/ServerInfoLabels.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace brellow::testsupport {

// Stands in for the main window: holds the connection inputs and the three labels, and
// logs every read and write in order ("ServerName", "Edition=...", "ClearServerInfo").
class FakeServerWindow final : public commands::ConnectionInputs,
                               public commands::ServerInfoLabels {
public:
    QString ServerName() const override { return read("ServerName", serverName); }
    int SecurityChoice() const override {
        log.append(QStringLiteral("SecurityChoice"));
        return securityChoice;
    }
    QString UserName() const override { return read("UserName", userName); }
    QString Password() const override { return read("Password", password); }
    void ClearServerInfo() override {
        log.append(QStringLiteral("ClearServerInfo"));
        edition.clear();
        version.clear();
        spLevel.clear();
    }

    void SetEdition(const QString& text) override { write("Edition", edition, text); }
    void SetVersion(const QString& text) override { write("Version", version, text); }
    void SetSPLevel(const QString& text) override { write("SPLevel", spLevel, text); }

    QString serverName = QStringLiteral("srv");
    int securityChoice = 0;
    QString userName;
    QString password;
    QString edition;
    QString version;
    QString spLevel;
    mutable QStringList log;

private:
    QString read(const char* what, const QString& value) const {
        log.append(QString::fromLatin1(what));
        return value;
    }
    void write(const char* what, QString& label, const QString& text) {
        log.append(QString::fromLatin1(what) + QLatin1Char('=') + text);
        label = text;
    }
};

} // namespace brellow::testsupport
