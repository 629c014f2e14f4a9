#include "about/RegistryValueReader.h"
#include "support/FakeRegistry.h"

#include <QTest>

using brellow::about::RegistryValueReader;
using brellow::os::Registry;
using brellow::testsupport::FakeRegistry;

Q_DECLARE_METATYPE(FakeRegistry::Value)

namespace {

constexpr const char* kKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";

FakeRegistry::Value bytes(std::uint32_t type, std::vector<std::uint8_t> data) {
    return FakeRegistry::Value{type, std::move(data)};
}

} // namespace

class RegistryValueReaderTest : public QObject {
    Q_OBJECT

private slots:
    void readsValuesByType_data();
    void readsValuesByType();
    void keepsTheResultForOtherTypes();
    void appendsDwordDigitsToWhatTheResultHeld();
    void failedLookupsEmptyTheResultAndCloseTheKey_data();
    void failedLookupsEmptyTheResultAndCloseTheKey();
    void opensForReadingOnly();
};

void RegistryValueReaderTest::readsValuesByType_data() {
    QTest::addColumn<FakeRegistry::Value>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text with its terminating zero")
        << FakeRegistry::Text(R"(C:\Program Files\Info\info.exe)")
        << QByteArray(R"(C:\Program Files\Info\info.exe)");
    QTest::newRow("text without a terminating zero")
        << FakeRegistry::Text("C:\\info.exe", false) << QByteArray("C:\\info.exe");
    QTest::newRow("a zero inside stays, one at the end goes")
        << bytes(Registry::kTypeSz, {'a', 'b', 0, 'c', 'd', 0}) << QByteArray("ab\0cd", 5);
    QTest::newRow("a zero inside an unterminated text stays")
        << bytes(Registry::kTypeSz, {'a', 0, 'b'}) << QByteArray("a\0b", 3);
    QTest::newRow("only one of two closing zeros goes")
        << bytes(Registry::kTypeSz, {'a', 'b', 0, 0}) << QByteArray("ab\0", 3);
    QTest::newRow("a single zero byte is the empty text")
        << bytes(Registry::kTypeSz, {0}) << QByteArray();
    QTest::newRow("dword 5 loses its zero top byte")
        << bytes(Registry::kTypeDword, {0x05, 0x00, 0x00, 0x00}) << QByteArray("&h005");
    QTest::newRow("dword 0x12345678, most significant byte first")
        << bytes(Registry::kTypeDword, {0x78, 0x56, 0x34, 0x12}) << QByteArray("&h12345678");
    QTest::newRow("dword digits are upper case without leading zeros")
        << bytes(Registry::kTypeDword, {0xFF, 0x0A, 0x00, 0xAB}) << QByteArray("&hAB0AFF");

    std::vector<std::uint8_t> full(RegistryValueReader::kBufferSize, 'x');
    full.back() = 0;
    QTest::newRow("exactly the buffer's size")
        << bytes(Registry::kTypeSz, full)
        << QByteArray(static_cast<int>(RegistryValueReader::kBufferSize) - 1, 'x');
}

void RegistryValueReaderTest::readsValuesByType() {
    QFETCH(FakeRegistry::Value, value);
    QFETCH(QByteArray, expected);

    FakeRegistry registry;
    registry.Set(kKey, "PATH", value);
    RegistryValueReader reader(registry);
    std::string result;

    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, kKey, "PATH", result));
    QCOMPARE(QByteArray(result.data(), static_cast<qsizetype>(result.size())), expected);
    QCOMPARE(registry.openHandles, 0);
    QCOMPARE(registry.closedKeys.size(), std::size_t{1});
}

void RegistryValueReaderTest::keepsTheResultForOtherTypes() {
    FakeRegistry registry;
    registry.Set(kKey, "PATH", bytes(Registry::kTypeExpandSz, {'%', 'X', '%', 0}));
    RegistryValueReader reader(registry);
    std::string result = "as before";

    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, kKey, "PATH", result));
    QCOMPARE(result, std::string("as before"));
    QCOMPARE(registry.openHandles, 0);
}

void RegistryValueReaderTest::appendsDwordDigitsToWhatTheResultHeld() {
    FakeRegistry registry;
    registry.Set(kKey, "N", bytes(Registry::kTypeDword, {0x01, 0x02, 0x00, 0x00}));
    RegistryValueReader reader(registry);
    std::string result = "7";

    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, kKey, "N", result));
    QCOMPARE(result, std::string("&h7021"));
}

void RegistryValueReaderTest::failedLookupsEmptyTheResultAndCloseTheKey_data() {
    QTest::addColumn<bool>("keyExists");
    QTest::addColumn<bool>("valueExists");
    QTest::addColumn<FakeRegistry::Value>("value");

    QTest::newRow("missing key") << false << false << FakeRegistry::Value{};
    QTest::newRow("missing value") << true << false << FakeRegistry::Value{};
    QTest::newRow("value of size zero") << true << true << bytes(Registry::kTypeSz, {});
    QTest::newRow("dword of size zero") << true << true << bytes(Registry::kTypeDword, {});
    QTest::newRow("value one byte over the buffer")
        << true << true
        << bytes(Registry::kTypeSz,
                 std::vector<std::uint8_t>(RegistryValueReader::kBufferSize + 1, 'y'));
    QTest::newRow("value far over the buffer")
        << true << true << bytes(Registry::kTypeSz, std::vector<std::uint8_t>(5000, 'y'));
}

void RegistryValueReaderTest::failedLookupsEmptyTheResultAndCloseTheKey() {
    QFETCH(bool, keyExists);
    QFETCH(bool, valueExists);
    QFETCH(FakeRegistry::Value, value);

    FakeRegistry registry;
    if (valueExists) {
        registry.Set(kKey, "PATH", value);
    } else if (keyExists) {
        registry.AddKey(kKey);
    }
    RegistryValueReader reader(registry);
    std::string result = "left over";

    QVERIFY(!reader.GetKeyValue(Registry::kLocalMachine, kKey, "PATH", result));
    QVERIFY(result.empty());
    QCOMPARE(registry.closedKeys.size(), std::size_t{1});
    QCOMPARE(registry.openHandles, 0);
    if (!keyExists) {
        // Nothing was opened: the handle closed is the one that was never set.
        QCOMPARE(registry.closedKeys.front(), Registry::Key{0});
        QVERIFY(registry.queriedValues.empty());
    }
}

void RegistryValueReaderTest::opensForReadingOnly() {
    FakeRegistry registry;
    registry.Set(kKey, "PATH", FakeRegistry::Text("x"));
    // Write rights are what an ordinary user is refused under HKEY_LOCAL_MACHINE.
    constexpr std::uint32_t kKeySetValue = 0x2;
    constexpr std::uint32_t kKeyCreateSubKey = 0x4;
    registry.DenyAccess(kKeySetValue | kKeyCreateSubKey);
    RegistryValueReader reader(registry);
    std::string result;

    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, kKey, "PATH", result));
    QCOMPARE(result, std::string("x"));
    QCOMPARE(registry.lastOpenAccess, Registry::kKeyRead);
    QCOMPARE(registry.lastOpenOptions, 0u);
}

QTEST_GUILESS_MAIN(RegistryValueReaderTest)
#include "tst_registryvaluereader.moc"
