#include "blocking/matcher/filterengine.h"
#include "blocking/matcher/filterlineparser.h"
#include "support/testregistry.h"

#include <QTest>

namespace {

FilterEngine engineOf(const QByteArray &list)
{
    return FilterEngine::fromLists({std::string_view(list.constData(), list.size())});
}

} // namespace

// The matcher's decisions, one syntax feature a row, on small lists.
class FilterMatcherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decides_data();
    void decides();
    void setsAsideWhatItCannotApply_data();
    void setsAsideWhatItCannotApply();
    void hidesElements_data();
    void hidesElements();
    void keepsItsCompiledForm();
};

void FilterMatcherTest::decides_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<bool>("blocked");

    const QByteArray page = "https://news.example/";
    const auto row = [&](const char *name, const char *list, const char *url, bool blocked,
                         const char *type = "image", QByteArray source = QByteArray()) {
        QTest::newRow(name) << QByteArray(list) << QByteArray(url)
                            << (source.isNull() ? page : source) << QByteArray(type) << blocked;
    };
    row("plain", "/banner/img", "https://cdn.example/banner/img1.gif", true);
    row("plain elsewhere", "/banner/img", "https://cdn.example/banners/img1.gif", false);
    row("slashes make a regex", "/banner/", "https://cdn.example/banners/1.gif", true);
    row("wildcard", "/ads/*/top.", "https://a.example/ads/x/y/top.png", true);
    row("separator", "ad.php^", "https://a.example/ad.php?x", true);
    row("separator at end", "ad.php^", "https://a.example/ad.php", true);
    row("separator not a letter", "ad.php^", "https://a.example/ad.phpx", false);
    row("start anchor", "|https://ads.", "https://ads.example/x", true);
    row("start anchor only", "|https://ads.", "https://x.example/?u=https://ads.z", false);
    row("end anchor", ".gif|", "https://a.example/x.gif", true);
    row("end anchor only", ".gif|", "https://a.example/x.gif?x", false);
    row("host anchor", "||ads.example^", "https://ads.example/a", true);
    row("host anchor subdomain", "||ads.example^", "https://x.ads.example/a", true);
    row("host anchor other host", "||ads.example^", "https://badads.example/a", false);
    row("host anchor not a suffix", "||ads.example^", "https://ads.example.org/a", false);
    row("host anchor with path", "||ads.example/js/", "https://ads.example/js/a.js", true);
    row("regex", "/\\/[0-9a-f]{8}\\.js$/", "https://cdn.example/0badf00d.js", true);
    row("regex no match", "/\\/[0-9a-f]{8}\\.js$/", "https://cdn.example/0badf00x.js", false);
    row("case-insensitive", "/BANNER/", "https://a.example/Banner/x", true);
    row("match-case", "/BANNER/$match-case", "https://a.example/banner/x", false);
    row("match-case matches", "/BANNER/$match-case", "https://a.example/BANNER/x", true);
    row("exception", "/ads/\n@@/ads/ok/", "https://a.example/ads/ok/1.js", false);
    row("important beats exception", "/ads/$important\n@@/ads/ok/", "https://a.example/ads/ok/1",
        true);
    row("third-party", "||t.example^$third-party", "https://t.example/p", true);
    row("third-party same site", "||t.example^$third-party", "https://t.example/p", false, "image",
        "https://www.t.example/");
    row("first-party", "||t.example^$~third-party", "https://t.example/p", false);
    row("registrable domain", "||t.co.uk^$third-party", "https://a.t.co.uk/p", false, "image",
        "https://b.t.co.uk/");
    row("public suffix", "||t.co.uk^$third-party", "https://t.co.uk/p", true, "image",
        "https://other.co.uk/");
    row("no page is first-party", "||t.example^$third-party", "https://t.example/p", false,
        "script", "");
    row("type", "/ad.$script", "https://a.example/ad.js", true, "script");
    row("other type", "/ad.$script", "https://a.example/ad.js", false, "image");
    row("negated type", "/ad.$~script", "https://a.example/ad.png", true, "image");
    row("xhr alias", "/api/ad$xhr", "https://a.example/api/ad", true, "xmlhttprequest");
    row("frame", "/frame/ad$subdocument", "https://a.example/frame/ad", true, "sub_frame");
    row("websocket", "||ws.example^$websocket", "wss://ws.example/s", true, "websocket");
    row("ping", "/collect$ping", "https://a.example/collect", true, "ping");
    row("popup only", "/pop/$popup", "https://a.example/pop/", false);
    row("page needs document", "||scam.example^", "https://scam.example/", false, "main_frame", "");
    row("document", "||scam.example^$document", "https://scam.example/", true, "main_frame", "");
    row("domain", "/ad.$domain=news.example", "https://a.example/ad.gif", true);
    row("domain subdomain", "/ad.$domain=example", "https://a.example/ad.gif", true);
    row("domain elsewhere", "/ad.$domain=other.example", "https://a.example/ad.gif", false);
    row("domain excluded", "/ad.$domain=~news.example", "https://a.example/ad.gif", false);
    row("domain most specific", "/ad.$domain=example|~news.example", "https://a.example/ad.gif",
        false);
    row("domain entity", "/ad.$domain=news.*", "https://a.example/ad.gif", true, "image",
        "https://www.news.co.uk/");
    row("domain only", "$script,domain=news.example", "https://a.example/x.js", true, "script");
    row("page exception", "/ad.\n@@||news.example^$document", "https://a.example/ad.gif", false);
    row("genericblock", "/ad.\n@@||news.example^$genericblock", "https://a.example/ad.gif", false);
    row("genericblock keeps specific", "/ad.$domain=news.example\n@@||news.example^$genericblock",
        "https://a.example/ad.gif", true);
    row("hosts file", "0.0.0.0 tracker.example # comment", "https://tracker.example/t", true);
    row("hosts file subdomain", "127.0.0.1 tracker.example", "https://a.tracker.example/t", true);
    row("hosts file localhost", "0.0.0.0 localhost", "http://localhost/t", false);
    row("localhost", "/ad.", "http://localhost:8080/ad.gif", false);
    row("loopback", "/ad.", "http://127.0.0.2/ad.gif", false);
    row("private", "/ad.", "http://192.168.1.20/ad.gif", false);
    row("private 172", "/ad.", "http://172.20.0.1/ad.gif", false);
    row("public address", "/ad.", "http://172.32.0.1/ad.gif", true);
    row("link-local", "/ad.", "http://169.254.1.1/ad.gif", false);
    row("ipv6 loopback", "/ad.", "http://[::1]:80/ad.gif", false);
    row("ipv6 unique local", "/ad.", "http://[fd12::1]/ad.gif", false);
    row("single label", "/ad.", "http://nas/ad.gif", false);
    row("local name", "/ad.", "http://printer.local/ad.gif", false);
    row("file", "/ad.", "file:///home/u/ad.gif", false);
    row("own address", "/ad.", "https://news.example/ad.html", false, "sub_frame",
        "https://news.example/ad.html#top");
}

void FilterMatcherTest::decides()
{
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, type);
    QFETCH(bool, blocked);
    const FilterEngine engine = engineOf(list);
    const std::string target = url.toStdString();
    const std::string page = source.toStdString();
    const NetworkRequest request{target, page, typeFromResourceName(type.toStdString())};
    QCOMPARE(engine.blocks(request), blocked);
}

void FilterMatcherTest::setsAsideWhatItCannotApply_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("reason");

    QTest::newRow("redirect") << QByteArray("||ads.example^$redirect=noopjs")
                              << int(IgnoredBecause::UnsupportedOption);
    QTest::newRow("csp") << QByteArray("||ads.example^$csp=script-src 'none'")
                         << int(IgnoredBecause::UnsupportedOption);
    QTest::newRow("elemhide on a block")
        << QByteArray("||ads.example^$elemhide") << int(IgnoredBecause::UnsupportedOption);
    QTest::newRow("unbalanced regex") << QByteArray("/ads(/") << int(IgnoredBecause::Malformed);
    QTest::newRow("empty domain") << QByteArray("/ads/$domain=a.example|")
                                  << int(IgnoredBecause::Malformed);
    QTest::newRow("scriptlet") << QByteArray("example.org##+js(abort)")
                               << int(IgnoredBecause::UnsupportedHiding);
    QTest::newRow("extended") << QByteArray("example.org#?#div:-abp-has(.ad)")
                              << int(IgnoredBecause::UnsupportedHiding);
    QTest::newRow("style") << QByteArray("example.org##.x:style(color: red)")
                           << int(IgnoredBecause::UnsupportedHiding);
    QTest::newRow("brace") << QByteArray("##.ad{color:red}") << int(IgnoredBecause::Malformed);
    QTest::newRow("unbalanced quote")
        << QByteArray("##a[href=\"x]") << int(IgnoredBecause::Malformed);
    QTest::newRow("binary") << QByteArray("/ads/\x01\xff\xfe", 8) << int(IgnoredBecause::NotText);
    QTest::newRow("10 MB line") << QByteArray(10 * 1024 * 1024, 'a')
                                << int(IgnoredBecause::TooLong);
}

void FilterMatcherTest::setsAsideWhatItCannotApply()
{
    QFETCH(QByteArray, line);
    QFETCH(int, reason);
    // Between good rules, which stay.
    const QByteArray list = "/good1/\n" + line + "\n/good2/\n";
    const FilterEngine engine = engineOf(list);
    QCOMPARE(engine.stats().networkRules, 2u);
    QCOMPARE(engine.stats().ignoredTotal(), 1u);
    QCOMPARE(engine.stats().ignored[std::size_t(reason)], 1u);
    QVERIFY(engine.blocks({"https://a.example/good2/", "https://b.example/", RequestType::Image}));
    QVERIFY(
        !engine.blocks({"https://ads.example/ads/", "https://b.example/", RequestType::Script}));
}

void FilterMatcherTest::hidesElements_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QStringList>("sheet");
    QTest::addColumn<bool>("generic");

    const QByteArray rules = "##.ad-slot\n##div[id^=\"ad-\"]\nnews.example##.promo\n"
                             "~shop.news.example,news.example##.teaser\n"
                             "news.*##.entity\nother.example#@#div[id^=\"ad-\"]\n";
    const QStringList all = {"div[id^=\"ad-\"]", ".promo", ".teaser", ".entity"};
    QTest::newRow("site") << rules << QByteArray("www.news.example") << all << true;
    QTest::newRow("excluded subdomain")
        << rules << QByteArray("shop.news.example")
        << QStringList{"div[id^=\"ad-\"]", ".promo", ".entity"} << true;
    QTest::newRow("other site") << rules << QByteArray("x.example")
                                << QStringList{"div[id^=\"ad-\"]"} << true;
    QTest::newRow("exception") << rules << QByteArray("other.example") << QStringList() << true;
    QTest::newRow("generichide") << rules + "@@||news.example^$generichide"
                                 << QByteArray("news.example")
                                 << QStringList{".promo", ".teaser", ".entity"} << false;
    QTest::newRow("elemhide") << rules + "@@||news.example^$elemhide" << QByteArray("news.example")
                              << QStringList() << false;
}

void FilterMatcherTest::hidesElements()
{
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, host);
    QFETCH(QStringList, sheet);
    QFETCH(bool, generic);
    const FilterEngine engine = engineOf(list);
    const std::string page = "https://" + host.toStdString() + "/";
    const std::uint32_t flags = engine.network().pageFlags(page);
    PageHiding hiding;
    if (!(flags & NetworkRule::PageNoHiding))
        hiding = engine.hiding().forHost(
            host.toStdString(), !(flags & NetworkRule::PageNoGenericHiding));
    QStringList selectors;
    for (const QString &rule :
        QString::fromStdString(hiding.styleSheet).split('\n', Qt::SkipEmptyParts))
        selectors << rule.section(QStringLiteral("{display:none!important}"), 0, 0);
    QCOMPARE(QSet<QString>(selectors.begin(), selectors.end()),
        QSet<QString>(sheet.begin(), sheet.end()));
    QCOMPARE(hiding.generic, generic);
    // ".ad-slot" needs no rule of its own: the page picks it by its class.
    const std::vector<KeyedSelectors> keyed = engine.hiding().keyedSelectors();
    QCOMPARE(keyed.size(), 1u);
    QCOMPARE(keyed.front().key, std::string(".ad-slot"));
}

void FilterMatcherTest::keepsItsCompiledForm()
{
    const QByteArray list = "||ads.example^$third-party\n/banner/*/img^\n@@||ads.example/ok^\n"
                            "/\\/[a-f]{4}\\.js/\nnews.example##.promo\n##.ad\n";
    const FilterEngine engine = engineOf(list);
    const std::string stored = engine.storedForm("lists-1");
    const std::optional<FilterEngine> loaded = FilterEngine::fromStoredForm(stored, "lists-1");
    QVERIFY(loaded);
    const NetworkRequest requests[] = {
        {"https://ads.example/x", "https://news.example/", RequestType::Script},
        {"https://ads.example/ok/", "https://news.example/", RequestType::Script},
        {"https://c.example/banner/a/img/", "https://news.example/", RequestType::Image},
        {"https://c.example/beef.js", "https://news.example/", RequestType::Script},
        {"https://c.example/plain.js", "https://news.example/", RequestType::Script},
    };
    for (const NetworkRequest &request : requests)
        QCOMPARE(loaded->blocks(request), engine.blocks(request));
    QCOMPARE(loaded->hiding().forHost("news.example", true).styleSheet,
        engine.hiding().forHost("news.example", true).styleSheet);
    QCOMPARE(loaded->stats().networkRules, engine.stats().networkRules);
    // Made from other lists, cut short, or damaged anywhere: not taken back.
    QVERIFY(!FilterEngine::fromStoredForm(stored, "lists-2"));
    QVERIFY(!FilterEngine::fromStoredForm(
        std::string_view(stored).substr(0, stored.size() - 1), "lists-1"));
    for (std::size_t at = 0; at < stored.size(); at += stored.size() / 7) {
        std::string damaged = stored;
        damaged[at] = char(damaged[at] ^ 0x5a);
        QVERIFY(!FilterEngine::fromStoredForm(damaged, "lists-1"));
    }
}

WAVECREST_TEST(FilterMatcherTest)
#include "tst_matcher.moc"
