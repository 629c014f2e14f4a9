// A connection's properties, by 0-based position.
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "ado/PropertyCollection.h"
#include "support/ErrorNumber.h"

#include <QtTest>

using namespace brellow::ado;
using brellow::testsupport::errorOf;

class PropertyCollectionTest : public QObject {
    Q_OBJECT

private slots:
    void propertyCollectionIsZeroBased();
};

void PropertyCollectionTest::propertyCollectionIsZeroBased() {
    PropertyCollection properties;
    QCOMPARE(properties.count(), 0);
    QCOMPARE(errorOf([&] { properties.item(0); }), errors::kItemNotFound);
    properties.add("DBMS Name", Variant("Microsoft SQL Server"));
    properties.add("Packet Size", Variant(std::int64_t{4096}));
    QCOMPARE(properties.count(), 2);
    QCOMPARE(properties.item(0).name(), "DBMS Name");
    QCOMPARE(properties.item(1).value(), Variant(std::int64_t{4096}));
    QCOMPARE(errorOf([&] { properties.item(2); }), errors::kItemNotFound);
    QCOMPARE(errorOf([&] { properties.item(-1); }), errors::kItemNotFound);
}

QTEST_GUILESS_MAIN(PropertyCollectionTest)
#include "tst_propertycollection.moc"
