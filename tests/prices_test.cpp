#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/settings.h"
#include "orders/prices.h"
#include "platform/textcodec.h"
#include "support/fixture.h"

namespace zorvik::orders {
namespace {

using testing::Scratch;

TEST(Prices, ParsesDecimalTextExactlyInTenThousandths) {
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"0.1", 1000},
        {"5", 50000},
        {".5", 5000},
        {"10.25", 102500},
        {"3.", 30000},
        {"0", 0},
        {"0.0000", 0},
        {"007.5", 75000},
        {" 0.2\t", 2000},  // blanks around a typed price
        {"0.30", 3000},
        {"1.2345", 12345},
        // Half away from zero at the fifth decimal; later digits never matter.
        {"0.00005", 1},
        {"0.00004999", 0},
        {"1.23449", 12345},
        {"1.23444", 12344},
        {"0.99995", 10000},
        {"2.500049", 25000},
        // Binary floating point would get these wrong.
        {"0.29", 2900},
        {"1.005", 10050},
        {"999999999.9999", 9999999999999},
        {"999999999.99995", 10000000000000},
        {"000000000000123", 1230000},  // leading zeros are no size
    };
    for (const auto& c : cases) {
        ParsedPrice price = parsePrice(c.text);
        EXPECT_TRUE(price.ok()) << c.text;
        EXPECT_EQ(price.tenThousandths, c.expected) << c.text;
    }
}

TEST(Prices, RefusesWhatIsNoPrice) {
    struct Case {
        std::string text;
        PriceFault fault;
    };
    const Case cases[] = {
        {"", PriceFault::Empty},
        {"   ", PriceFault::Empty},
        {"-1", PriceFault::Negative},
        {"-0.5", PriceFault::Negative},
        {"abc", PriceFault::NotANumber},
        {"-abc", PriceFault::NotANumber},
        {".", PriceFault::NotANumber},
        {"-", PriceFault::NotANumber},
        {"1.2.3", PriceFault::NotANumber},
        {"0,5", PriceFault::NotANumber},  // the separator is "."
        {"1e2", PriceFault::NotANumber},
        {"+1", PriceFault::NotANumber},
        {"0x10", PriceFault::NotANumber},
        {"1 5", PriceFault::NotANumber},
        {"５", PriceFault::NotANumber},  // full-width digit
        {"5元", PriceFault::NotANumber},
        {"inf", PriceFault::NotANumber},
        {"1000000000", PriceFault::TooLarge},
        {"1" + std::string(40, '0'), PriceFault::TooLarge},
        {"0." + std::string(40, '1'), PriceFault::TooLarge},
        {std::string(40, 'x'), PriceFault::NotANumber},
    };
    for (const auto& c : cases) {
        ParsedPrice price = parsePrice(c.text);
        EXPECT_FALSE(price.ok()) << c.text;
        EXPECT_EQ(static_cast<int>(price.fault), static_cast<int>(c.fault)) << c.text;
    }
}

// The prices the shop charges before anything was configured.
UnitPriceTable defaultPrices() {
    return {1000, 2000, 10000, 2000, 1000, 5000, 50000, 10000, 10000, 10000, 1000, 10000};
}

TEST(Prices, WithoutAFileEveryFieldKeepsItsDefault) {
    Scratch s;
    core::Settings settings(s.at("Corlen.ini"), s.errors());
    LoadedPrices loaded = loadPrices(settings);
    EXPECT_EQ(loaded.texts, (PriceTexts{"0.1", "0.2", "1", "0.2", "0.1", "0.5", "5", "1", "1", "1", "0.1", "1"}));
    EXPECT_EQ(loaded.prices, defaultPrices());
    EXPECT_EQ(loaded.faults, "");
    EXPECT_FALSE(testing::exists(s.at("Corlen.ini")));  // loading writes nothing
}

TEST(Prices, StoredPricesLoadInCategoryOrderAndAbsentOnesKeepTheirDefault) {
    Scratch s;
    s.write("Corlen.ini", platform::utf8ToGb18030("[PanFu1]\r\nPanFu1=E\r\n"
                                                  "[danja]\r\n"
                                                  "YY = 0.15\r\n"
                                                  "dy=2\r\n"
                                                  "yx=12.5\r\n"
                                                  "yx=99\r\n"  // the first of two wins
                                                  "qt=.3\r\n"
                                                  "[Other]\r\n"
                                                  "mtv=7\r\n"));
    core::Settings settings(s.at("Corlen.ini"), s.errors());
    LoadedPrices loaded = loadPrices(settings);
    EXPECT_EQ(loaded.faults, "");
    EXPECT_EQ(loaded.texts, (PriceTexts{"0.15", "0.2", "2", "0.2", "0.1", "0.5", "12.5", "1", "1", "1", "0.1", ".3"}));
    UnitPriceTable expected = defaultPrices();
    expected[0] = 1500;
    expected[2] = 20000;
    expected[6] = 125000;
    expected[11] = 3000;
    EXPECT_EQ(loaded.prices, expected);
}

TEST(Prices, AStoredTextThatIsNoNumberIsNamedOnceAndTheLaterPricesStillLoad) {
    Scratch s;
    s.write("Corlen.ini", platform::utf8ToGb18030("[DanJa]\r\nyy=abc\r\nmtv=0.3\r\nqt=4\r\n"));
    core::Settings settings(s.at("Corlen.ini"), s.errors());
    LoadedPrices loaded = loadPrices(settings);
    EXPECT_EQ(loaded.faults, "音乐单价“abc”不是有效的数字，本次按默认单价 0.1 元/首 计算");
    EXPECT_EQ(loaded.texts[0], "0.1");
    EXPECT_EQ(loaded.prices[0], 1000);
    EXPECT_EQ(loaded.prices[1], 3000);
    EXPECT_EQ(loaded.prices[11], 40000);
    EXPECT_EQ(loaded.texts[11], "4");

    // Several bad ones: each named, one line each, in one message.
    s.write("Corlen.ini", platform::utf8ToGb18030("[DanJa]\r\ndy=\r\nlxj=-2\r\nls=1,5\r\nxp=8\r\n"));
    loaded = loadPrices(settings);
    EXPECT_EQ(loaded.faults,
              "电影单价为空，本次按默认单价 1 元/部 计算\n"
              "连续剧单价“-2”不能为负数，本次按默认单价 0.2 元/集 计算\n"
              "铃声单价“1,5”不是有效的数字，本次按默认单价 0.1 元/个 计算");
    UnitPriceTable expected = defaultPrices();
    expected[8] = 80000;
    EXPECT_EQ(loaded.prices, expected);
}

TEST(Prices, SavingRefusesABadFieldAndWritesNothing) {
    Scratch s;
    const std::string original = platform::utf8ToGb18030("[DanJa]\r\nyy=0.1\r\n");
    s.write("Corlen.ini", original);
    core::Settings settings(s.at("Corlen.ini"), s.errors());

    struct Case {
        int field;
        std::string text;
        std::string refusal;
    };
    const std::string tail = "\n请输入不小于 0 的数字，如 0.5。设置未保存。";
    const Case cases[] = {
        {0, "abc", "音乐单价“abc”不是有效的数字" + tail},
        {3, "", "连续剧单价为空" + tail},
        {6, "-5", "游戏单价“-5”不能为负数" + tail},
        {11, "12345678901", "其它单价“12345678901”超出范围" + tail},
        {1, std::string(30, 'z'), "MTV单价“" + std::string(20, 'z') + "…”不是有效的数字" + tail},
    };
    for (const auto& c : cases) {
        PriceTexts texts = defaultPriceTexts();
        texts[static_cast<size_t>(c.field)] = c.text;
        PriceSave result = savePrices(settings, texts);
        EXPECT_FALSE(result.saved) << c.text;
        EXPECT_EQ(result.refusal, c.refusal) << c.text;
        EXPECT_EQ(testing::readFile(s.at("Corlen.ini")), original) << c.text;
    }

    PriceTexts two = defaultPriceTexts();
    two[1] = "x";
    two[10] = "y";
    EXPECT_EQ(priceTextsRefusal(two), "MTV单价“x”不是有效的数字\n铃声单价“y”不是有效的数字" + tail);
}

TEST(Prices, SavingWritesAllTwelveTextsAndKeepsTheRestOfTheFile) {
    Scratch s;
    s.write("Corlen.ini", "[PanFu1]\r\nPanFu1=E\r\n[DanJa]\r\nYY=9\r\n[PiFu]\r\nPiFu=2\r\n");
    core::Settings settings(s.at("Corlen.ini"), s.errors());
    PriceTexts texts = {"0.15", "0.2", "2", " 0.3 ", "0.1", ".5", "5", "1", "1", "1.25", "0.1", "0"};
    PriceSave result = savePrices(settings, texts);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.refusal, "");
    EXPECT_EQ(testing::readFile(s.at("Corlen.ini")),
              "[PanFu1]\r\nPanFu1=E\r\n[DanJa]\r\nYY=0.15\r\nmtv=0.2\r\ndy=2\r\nlxj=0.3\r\ntp=0.1\r\n"
              "dzs=.5\r\nyx=5\r\nllp=1\r\nxp=1\r\nych=1.25\r\nls=0.1\r\nqt=0\r\n[PiFu]\r\nPiFu=2\r\n");
    LoadedPrices loaded = loadPrices(settings);
    EXPECT_EQ(loaded.faults, "");
    EXPECT_EQ(loaded.prices[0], 1500);
    EXPECT_EQ(loaded.prices[3], 3000);
    EXPECT_EQ(loaded.prices[9], 12500);
    EXPECT_EQ(loaded.prices[11], 0);

    // A first save creates the file.
    core::Settings fresh(s.at("new/Corlen.ini"), s.errors());
    s.makeFolder("new");
    EXPECT_TRUE(savePrices(fresh, defaultPriceTexts()).saved);
    EXPECT_EQ(loadPrices(fresh).prices, defaultPrices());
}

TEST(Prices, AFileThatCannotBeWrittenIsReportedAndKeepsItsPrices) {
    Scratch s;
    std::string reported;
    QObject::connect(&s.errors(), &core::ErrorReports::reported, &s.errors(), [&reported](const QString& q) { const std::string m = q.toStdString(); reported = m; });
    core::Settings settings(s.at("no/such/folder/Corlen.ini"), s.errors());
    PriceSave result = savePrices(settings, defaultPriceTexts());
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.refusal, "");
    EXPECT_EQ(reported, "无法保存设置文件：" + s.at("no/such/folder/Corlen.ini") + "\n系统找不到指定的路径。");
}

}  // namespace
}  // namespace zorvik::orders
