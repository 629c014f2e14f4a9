// What the Windows part of the binding leaves on disk for a login: the pinned certificate's file
// that ODBC Driver 18 compares the server's with, there for the login and gone after it.
#include "windows/PinnedCertificateFile.h"

#include <QFile>
#include <QtTest>

using namespace brellow::odbc;

class OdbcWindowsPartsTest : public QObject {
    Q_OBJECT

private slots:
    void thePinnedCertificateIsOnDiskForTheLoginOnly() {
        const std::string pem = "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n";
        QString path;
        QString other;
        {
            const PinnedCertificateFile file(pem);
            const PinnedCertificateFile second(pem);
            path = QString::fromStdString(file.path());
            other = QString::fromStdString(second.path());
            QVERIFY(!path.isEmpty());
            // Two logins at once never share a file.
            QVERIFY(path != other);
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll().toStdString(), pem);
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(other));
    }
};

QTEST_GUILESS_MAIN(OdbcWindowsPartsTest)
#include "tst_odbcwindowsparts.moc"
