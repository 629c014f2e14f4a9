// A connection's properties, by 0-based position.
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "ado/PropertyCollection.h"

#include <QtTest>

using namespace brellow::ado;

namespace {

std::int32_t errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbError& error) {
        return error.number();
    }
    return 0;
}

} // namespace

class PropertyCollectionTest : public QObject {
    Q_OBJECT

private slots:
    void propertyCollectionIsZeroBased();
};

void PropertyCollectionTest::propertyCollectionIsZeroBased() {
    PropertyCollection properties;
    QCOMPARE(properties.Count(), 0);
    QCOMPARE(errorOf([&] { properties.Item(0); }), errors::kItemNotFound);
    properties.Add("DBMS Name", Variant("Microsoft SQL Server"));
    properties.Add("Packet Size", Variant(std::int64_t{4096}));
    QCOMPARE(properties.Count(), 2);
    QCOMPARE(properties.Item(0).Name(), "DBMS Name");
    QCOMPARE(properties.Item(1).Value(), Variant(std::int64_t{4096}));
    QCOMPARE(errorOf([&] { properties.Item(2); }), errors::kItemNotFound);
    QCOMPARE(errorOf([&] { properties.Item(-1); }), errors::kItemNotFound);
}

QTEST_GUILESS_MAIN(PropertyCollectionTest)
#include "tst_propertycollection.moc"
