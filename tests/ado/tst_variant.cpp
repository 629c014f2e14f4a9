// The values the component hands out, and their text forms.
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "ado/Variant.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace brellow::ado;

class VariantTest : public QObject {
    Q_OBJECT

private slots:
    void variantTextConversions();
    void nullIsAnErrorOnlyForStrictText();
    void variantsCompareByTypeAndValue();
};

void VariantTest::variantTextConversions() {
    const std::vector<std::pair<Variant, std::string>> cases{
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(std::int64_t{-9007199254740993}), "-9007199254740993"},
        {Variant(std::int32_t{2147483647}), "2147483647"},
        {Variant(0.5), "0.5"},
        {Variant(-1234.25), "-1234.25"},
        {Variant(100.0), "100"},
        {Variant(1.0 / 3.0), "0.333333333333333"},
        {Variant(1e20), "1E+20"},
        {Variant(std::string("8.00.2039")), "8.00.2039"},
        {Variant("  spaced\t"), "  spaced\t"},
        {Variant(), ""},
    };
    for (const auto& [value, expected] : cases) {
        QCOMPARE(value.toText(), expected);
        QCOMPARE(value.toTextOrEmpty(), expected);
    }
}

void VariantTest::nullIsAnErrorOnlyForStrictText() {
    const Variant null = Variant::null();
    QVERIFY(null.isNull());
    QVERIFY(!null.isEmpty());
    QCOMPARE(null.toTextOrEmpty(), "");
    try {
        (void)null.toText();
        QFAIL("a null converted to text");
    } catch (const DbError& error) {
        QCOMPARE(error.number(), static_cast<std::int32_t>(0x800A005E));
        QCOMPARE(error.description(), "Invalid use of Null");
    }
    QCOMPARE(Variant(std::numeric_limits<double>::quiet_NaN()).toText(), "NaN");
}

void VariantTest::variantsCompareByTypeAndValue() {
    const std::vector<std::tuple<Variant, Variant, bool>> pairs{
        {Variant(std::int64_t{1}), Variant(std::int32_t{1}), true},
        {Variant(std::int64_t{1}), Variant(true), false},
        {Variant(std::int64_t{1}), Variant(1.0), false},
        {Variant(), Variant::null(), false},
        {Variant("1"), Variant(std::int64_t{1}), false},
    };
    for (const auto& [a, b, equal] : pairs) {
        QCOMPARE(a == b, equal);
    }
    QCOMPARE(Variant("x").type(), Variant::Type::Text);
    QCOMPARE(Variant(2.5).type(), Variant::Type::Double);
}

QTEST_GUILESS_MAIN(VariantTest)
#include "tst_variant.moc"
