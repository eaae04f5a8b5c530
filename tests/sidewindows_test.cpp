#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrlQuery>

#include "core/makerpages.h"
#include "library/cdcatalogue.h"
#include "library/layout.h"
#include "search/websearch.h"
#include "support/fixture.h"

namespace zorvik {
namespace {

using search::WebService;
using testing::Scratch;

TEST(WebSearch, TheKeywordTravelsPercentEncodedAsUtf8) {
    struct Case {
        const char* keyword;
        const char* encoded;
    };
    const Case cases[] = {
        {"A&B #1+2 刘德华", "A%26B%20%231%2B2%20%E5%88%98%E5%BE%B7%E5%8D%8E"},
        {"a=b;c/d?e%f", "a%3Db%3Bc%2Fd%3Fe%25f"},
        {"这里输入查找关键字", "%E8%BF%99%E9%87%8C%E8%BE%93%E5%85%A5%E6%9F%A5%E6%89%BE%E5%85%B3%E9%94%AE%E5%AD%97"},
        {"mp3-x_y.z~", "mp3-x_y.z~"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString keyword = QString::fromUtf8(c.keyword);
        EXPECT_EQ(search::webSearchAddress(WebService::Baidu, keyword).toEncoded().toStdString(),
                  std::string("http://mp3.baidu.com/m?f=ms&tn=baidump3&ct=134217728&lf=&rn=&word=") + c.encoded +
                      "&lm=0")
            << c.keyword;
        EXPECT_EQ(search::webSearchAddress(WebService::Sogou, keyword).toEncoded().toStdString(),
                  std::string("http://mp3.sogou.com/music.so?query=") + c.encoded + "&class=1&sid=suggest")
            << c.keyword;
        // The service reads back exactly the keyword, and no parameter more.
        const QUrlQuery query(search::webSearchAddress(WebService::Sogou, keyword));
        EXPECT_EQ(query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded), keyword) << c.keyword;
        EXPECT_EQ(query.queryItems().size(), 3) << c.keyword;
    }
}

TEST(WebSearch, AServiceSearchesAgainOnlyForANewKeyword) {
    search::WebSearchKeywords keywords;
    const QString k = QStringLiteral("K"), k2 = QStringLiteral("K2");
    keywords.sentToBoth(k);
    EXPECT_FALSE(keywords.takeFieldText(WebService::Baidu, k));
    EXPECT_FALSE(keywords.takeFieldText(WebService::Baidu, QString()));  // empty: only switches
    EXPECT_TRUE(keywords.takeFieldText(WebService::Baidu, k2));
    EXPECT_FALSE(keywords.takeFieldText(WebService::Baidu, k2));
    EXPECT_EQ(keywords.last(WebService::Sogou), k);  // the other service still has K
    EXPECT_TRUE(keywords.takeFieldText(WebService::Sogou, k2));
    EXPECT_TRUE(keywords.takeFieldText(WebService::Baidu, QStringLiteral("k2")));  // letter case counts
    // The main window's search sets both, even to what a service had.
    keywords.sentToBoth(k2);
    EXPECT_FALSE(keywords.takeFieldText(WebService::Baidu, k2));
    EXPECT_FALSE(keywords.takeFieldText(WebService::Sogou, k2));
}

TEST(CdCatalogue, NameLinesLoseTheFirstOccurrenceOfTheExtension) {
    const QString blanks(30, u' ');
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"/lib/1-音乐/3021歌手-歌名.mp3", "3021歌手-歌名"},
        {"/lib/a.mp3.remix.mp3", "a.remix.mp3"},
        {"/lib/a.MP3.x.mp3", "a.MP3.x"},  // letter case counts
        {"/lib/no extension", "no extension"},
        {"/lib/v1.0/track", "track"},  // a dot in the folder is no extension
        {"/lib/.mp3", ""},
        {"/lib/a:b\\c.wma", "a:b\\c"},  // the whole native name, whatever it holds
    };
    for (const auto& c : cases)
        EXPECT_EQ(library::CdCatalogue::nameLine(QString::fromUtf8(c.path)).toStdString(),
                  QString(QString::fromUtf8(c.name) + blanks).toStdString())
            << c.path;
}

TEST(CdCatalogue, TheLayOutIsASnapshotAndTheHeaderIsLive) {
    library::CdCatalogue catalogue;
    const QString blanks(30, u' ');
    const QString header = QStringLiteral("--  -- --  --我的音乐--  --  --  --");
    EXPECT_EQ(catalogue.catalogue(), QStringList{header});
    EXPECT_EQ(catalogue.printedLines(QStringLiteral("人民路1号"), QString()),
              (QStringList{header, QStringLiteral("地址:人民路1号"), QStringLiteral("电话:")}));

    catalogue.setFiles({QStringLiteral("/a/x.mp3"), QStringLiteral("/a/y.wma"), QStringLiteral("/a/z.mp3")});
    EXPECT_EQ(catalogue.catalogue().size(), 1);  // not until "排版"
    catalogue.layOut();
    EXPECT_EQ(catalogue.catalogue(), (QStringList{header, QStringLiteral("1...x") + blanks,
                                                  QStringLiteral("2...y") + blanks, QStringLiteral("3...z") + blanks}));

    catalogue.setHeader(QStringLiteral("周末精选"));
    catalogue.setFiles({QStringLiteral("/b/w.mp3")});  // a second "添加" replaces the names
    EXPECT_EQ(catalogue.nameLines(), QStringList{QStringLiteral("w") + blanks});
    EXPECT_EQ(catalogue.catalogue().size(), 4);
    EXPECT_EQ(catalogue.catalogue().first(), QStringLiteral("周末精选"));
    catalogue.layOut();
    EXPECT_EQ(catalogue.catalogue(), (QStringList{QStringLiteral("周末精选"), QStringLiteral("1...w") + blanks}));

    catalogue.setFiles({});
    catalogue.layOut();
    EXPECT_EQ(catalogue.catalogue(), QStringList{QStringLiteral("周末精选")});
}

TEST(MakerPages, ShippedPagesUnlessTheSettingsNameOthers) {
    Scratch s;
    const auto folders = core::ProgramFolders::at(s.path());
    s.makeFolder("数据文件");
    core::Settings settings(folders.settingsFile(), s.errors());
    const QString program = QString::fromStdString(folders.program);

    auto pages = core::makerPages(settings, folders);
    EXPECT_EQ(pages.home, QUrl::fromLocalFile(program + QStringLiteral("网页/主页.html")));
    EXPECT_EQ(pages.resource, QUrl::fromLocalFile(program + QStringLiteral("网页/资源网.html")));

    s.write("店/首页.html", "<p>shop</p>");
    ASSERT_TRUE(settings.write("WangZhi", "ZhuYe", "www.example.cn/zorvik"));
    ASSERT_TRUE(settings.write("WangZhi", "ZiYuan", s.at("店/首页.html")));
    pages = core::makerPages(settings, folders);
    EXPECT_EQ(pages.home, QUrl(QStringLiteral("http://www.example.cn/zorvik")));
    EXPECT_EQ(pages.resource, QUrl::fromLocalFile(QString::fromStdString(s.at("店/首页.html"))));

    ASSERT_TRUE(settings.write("WangZhi", "ZiYuan", "店/首页.html"));  // from the program folder
    EXPECT_EQ(core::makerPages(settings, folders).resource,
              QUrl::fromLocalFile(QString::fromStdString(s.at("店/首页.html"))));
    ASSERT_TRUE(settings.write("WangZhi", "ZhuYe", " "));  // blank: the shipped page again
    EXPECT_EQ(core::makerPages(settings, folders).home, QUrl::fromLocalFile(program + QStringLiteral("网页/主页.html")));
}

// The build puts the pages beside the program; every link in them leads somewhere.
TEST(MakerPages, TheShippedPagesAreBesideTheProgramAndTheirLinksResolve) {
    const QDir web(QStringLiteral(ZORVIK_WEB_DIR));
    for (const char* page : {"主页.html", "资源网.html"}) {
        QFile file(web.filePath(QString::fromUtf8(page)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        const QString html = QString::fromUtf8(file.readAll());
        const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
        int links = 0;
        for (auto m = link.globalMatch(html); m.hasNext(); ++links)
            EXPECT_TRUE(web.exists(m.next().captured(1))) << page;
        EXPECT_GT(links, 0) << page;
        if (QString::fromUtf8(page) == QStringLiteral("资源网.html")) {
            for (const auto& category : library::kCategories)
                EXPECT_TRUE(html.contains(QString::fromUtf8(category.folder.data(),
                                                            static_cast<qsizetype>(category.folder.size()))));
            for (auto folder : library::kSubcategories)
                EXPECT_TRUE(html.contains(QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()))));
        }
    }
}

}  // namespace
}  // namespace zorvik
