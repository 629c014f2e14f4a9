#include "KerberosRealm.h"

#include <QFile>
#include <QProcess>
#include <gssapi/gssapi.h>

namespace brellow::testsupport {

namespace {

constexpr int scriptTimeoutMs = 60000;

// The Kerberos variables the realm replaces in this process while it runs.
const QList<QByteArray> kerberosVariables{"KRB5_CONFIG", "KRB5_KDC_PROFILE",
                                          "KRB5CCNAME",  "KRB5RCACHEDIR",
                                          "KRB5_KTNAME", "KRB5_CLIENT_KTNAME"};

QString unquoted(QString value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) &&
        value.endsWith(QLatin1Char('\''))) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

KerberosRealm::KerberosRealm(int lifetimeSeconds) : lifetimeSeconds_(lifetimeSeconds) {}

KerberosRealm::~KerberosRealm() {
    stop();
}

QString KerberosRealm::script() {
    return QStringLiteral(BRELLOW_SOURCE_DIR "/scripts/kerberos-realm");
}

bool KerberosRealm::run(const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(script(), arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(scriptTimeoutMs) || !process.waitForFinished(scriptTimeoutMs)) {
        error_ = QStringLiteral("%1 %2 did not finish: %3")
                     .arg(script(), arguments.join(QLatin1Char(' ')), process.errorString());
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    if (output) {
        *output = process.readAllStandardOutput();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error_ = QStringLiteral("%1 %2 failed with exit code %3")
                     .arg(script(), arguments.join(QLatin1Char(' ')))
                     .arg(process.exitCode());
        return false;
    }
    return true;
}

bool KerberosRealm::start() {
    stop();
    error_.clear();
    // ctest's "kerberos" fixture has made the realm and put this process in it already.
    if (qEnvironmentVariableIsSet("BRELLOW_REALM_DIR")) {
        for (const QString& fact :
             {QStringLiteral("BRELLOW_REALM"), QStringLiteral("BRELLOW_REALM_DIR"),
              QStringLiteral("BRELLOW_REALM_USER"), QStringLiteral("BRELLOW_REALM_PASSWORD"),
              QStringLiteral("BRELLOW_REALM_KDC_PORT"), QStringLiteral("BRELLOW_REALM_KDC_PID"),
              QStringLiteral("BRELLOW_REALM_KDC_LOG"),
              QStringLiteral("BRELLOW_TDS_SERVER_FLAGS")}) {
            facts_.insert(fact, qEnvironmentVariable(fact.toLatin1().constData()));
        }
        shared_ = true;
        return true;
    }
    // Nothing of the machine's own Kerberos set-up may leak into the script.
    for (const QByteArray& name : kerberosVariables) {
        if (qEnvironmentVariableIsSet(name.constData())) {
            savedEnvironment_.insert(name, qgetenv(name.constData()));
            qunsetenv(name.constData());
        } else {
            savedEnvironment_.insert(name, QByteArray());
        }
    }
    QByteArray output;
    if (!run({QStringLiteral("start"), QStringLiteral("--lifetime"),
              QString::number(lifetimeSeconds_)},
             &output)) {
        return false;
    }
    for (const QByteArray& raw : output.split('\n')) {
        QString line = QString::fromUtf8(raw).trimmed();
        const bool exported = line.startsWith(QStringLiteral("export "));
        if (exported) {
            line = line.mid(7);
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            continue;
        }
        const QString name = line.left(equals);
        const QString value = unquoted(line.mid(equals + 1));
        facts_.insert(name, value);
        if (exported) {
            qputenv(name.toUtf8().constData(), value.toUtf8());
        }
    }
    if (directory().isEmpty() || user().isEmpty()) {
        error_ =
            QStringLiteral("the realm script printed no realm: %1").arg(QString::fromUtf8(output));
        stop();
        return false;
    }
    return true;
}

void KerberosRealm::stop() {
    if (!directory().isEmpty() && !shared_) {
        run({QStringLiteral("stop"), directory()});
    }
    facts_.clear();
    shared_ = false;
    for (auto it = savedEnvironment_.cbegin(); it != savedEnvironment_.cend(); ++it) {
        if (it.value().isNull()) {
            qunsetenv(it.key().constData());
        } else {
            qputenv(it.key().constData(), it.value());
        }
    }
    savedEnvironment_.clear();
}

bool KerberosRealm::defaultCredentialUsable() {
    OM_uint32 minor = 0;
    gss_cred_id_t credential = GSS_C_NO_CREDENTIAL;
    OM_uint32 lifetime = 0;
    const OM_uint32 major =
        gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, GSS_C_NO_OID_SET, GSS_C_INITIATE,
                         &credential, nullptr, &lifetime);
    if (GSS_ERROR(major)) {
        return false;
    }
    gss_release_cred(&minor, &credential);
    return lifetime > 0;
}

qint64 KerberosRealm::kdcPid() const {
    return facts_.value(QStringLiteral("BRELLOW_REALM_KDC_PID")).toLongLong();
}

QStringList KerberosRealm::serverArguments() const {
    return facts_.value(QStringLiteral("BRELLOW_TDS_SERVER_FLAGS"))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool KerberosRealm::addServices(const QStringList& principals, const QString& otherKeytab) {
    QStringList arguments{QStringLiteral("add-service")};
    if (!otherKeytab.isEmpty()) {
        arguments << QStringLiteral("--keytab") << otherKeytab;
    }
    return run(arguments << directory() << principals);
}

bool KerberosRealm::getTicket(const QString& cache, const QString& lifetime) {
    return run({QStringLiteral("kinit"), directory(), cache, lifetime});
}

QStringList KerberosRealm::kdcLogLines() const {
    QFile file(facts_.value(QStringLiteral("BRELLOW_REALM_KDC_LOG")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList KerberosRealm::ticketsIssuedFor(const QString& principal) const {
    // "TGS_REQ ... ISSUE: ... alice@REALM for MSSQLSvc/host:port@REALM"
    const QString wanted = QStringLiteral(" for %1@").arg(principal);
    QStringList found;
    for (const QString& line : kdcLogLines()) {
        if (line.contains(QStringLiteral("TGS_REQ")) && line.contains(QStringLiteral(": ISSUE:")) &&
            line.contains(wanted)) {
            found << line;
        }
    }
    return found;
}

QStringList KerberosRealm::ticketsRefusedFor(const QString& principal) const {
    const QString wanted = QStringLiteral(" for %1@").arg(principal);
    QStringList found;
    for (const QString& line : kdcLogLines()) {
        if (line.contains(QStringLiteral("TGS_REQ")) &&
            !line.contains(QStringLiteral(": ISSUE:")) && line.contains(wanted)) {
            found << line;
        }
    }
    return found;
}

} // namespace brellow::testsupport
