#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace brellow::testsupport {

// A throw-away MIT Kerberos realm, made by scripts/kerberos-realm: a KDC on a free loopback
// port, a user with a ticket, a keytab for the test server. Run by ctest, the test uses the
// realm of the "kerberos" fixture, whose environment it was started with; a test program run
// by hand makes one of its own. While it runs, this process (and every program it starts)
// uses the realm's Kerberos environment only; stop() (or destruction) ends a realm of its own,
// removes the realm's folder and puts the environment back. A realm left behind by a crash
// ends by itself after its lifetime.
class KerberosRealm {
public:
    explicit KerberosRealm(int lifetimeSeconds = 600);
    ~KerberosRealm();
    KerberosRealm(const KerberosRealm&) = delete;
    KerberosRealm& operator=(const KerberosRealm&) = delete;

    // False, with errorString() saying why, when the realm could not be made.
    bool start();
    void stop();
    QString errorString() const { return error_; }

    // user@REALM, and the password kinit used.
    QString user() const { return facts_.value(QStringLiteral("BRELLOW_REALM_USER")); }
    QString password() const { return facts_.value(QStringLiteral("BRELLOW_REALM_PASSWORD")); }
    QString directory() const { return facts_.value(QStringLiteral("BRELLOW_REALM_DIR")); }
    qint64 kdcPid() const;
    // The test server's flags for checking Kerberos logins against this realm.
    QStringList serverArguments() const;

    // Registers MSSQLSvc/... principals; their keys go into the server's keytab, or into
    // otherKeytab to make services the server cannot check tickets for.
    bool addServices(const QStringList& principals, const QString& otherKeytab = {});
    // A fresh ticket for the user in another credentials cache ("FILE:/path").
    bool getTicket(const QString& cache, const QString& lifetime = QStringLiteral("8h"));

    QStringList kdcLogLines() const;
    // The KDC log lines of service tickets handed out for principal (without the realm),
    // and of requests for it that the KDC turned down.
    QStringList ticketsIssuedFor(const QString& principal) const;
    QStringList ticketsRefusedFor(const QString& principal) const;

    // Whether the Kerberos library would still use this process's default credential (the
    // ticket in KRB5CCNAME) for a new login.
    static bool defaultCredentialUsable();

    static QString script();

private:
    bool run(const QStringList& arguments, QByteArray* output = nullptr);

    int lifetimeSeconds_;
    QMap<QString, QString> facts_;
    // The fixture's realm, which outlives this test.
    bool shared_ = false;
    QMap<QByteArray, QByteArray> savedEnvironment_;
    QString error_;
};

} // namespace brellow::testsupport
