#include "blocking/hidingscript.h"

#include "blocking/matcher/hidingmatcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace {

// The frame's host; a frame without one of its own (about:blank, srcdoc)
// has its creator's origin.
constexpr char FrameHost[] = R"JS(
const frameHost = () => {
    if (location.hostname) return location.hostname;
    try { return self.origin && self.origin !== 'null' ? new URL(self.origin).hostname : ''; }
    catch (e) { return ''; }
};)JS";

constexpr char Runner[] = R"JS(
const rule = (selector) => selector + '{display:none!important}';
const run = (page) => {
    if (!page || g.__wavecrestHidingRan) return;
    g.__wavecrestHidingRan = true;
    // The host's rules stay as they are; the keyed ones found on the way
    // go into a sheet of their own, so that adding to it leaves the other
    // as the engine prepared it.
    const sheet = new CSSStyleSheet();
    const found = new CSSStyleSheet();
    try { sheet.replaceSync(page.css); } catch (e) { }
    const adopt = () => {
        const sheets = document.adoptedStyleSheets;
        if (!sheets.includes(sheet) || !sheets.includes(found))
            document.adoptedStyleSheets = [...sheets.filter((s) => s !== sheet && s !== found),
                                           sheet, found];
    };
    adopt();
    if (!page.generic) return;
    const excepted = new Set(page.except);
    const seen = new Set();
    // The table's line for a key, by bisection over its sorted lines.
    const lineOf = (key) => {
        let lo = 0, hi = TABLE.length;
        while (lo < hi) {
            const mid = (lo + hi) >> 1;
            const start = TABLE.lastIndexOf('\n', mid) + 1;
            let end = TABLE.indexOf('\n', start);
            if (end < 0) end = TABLE.length;
            const line = TABLE.substring(start, end);
            const tab = line.indexOf('\t');
            const lineKey = tab < 0 ? line : line.substring(0, tab);
            if (lineKey === key) return line;
            if (lineKey < key) lo = end + 1; else hi = start - 1;
        }
        return null;
    };
    let pending = [];
    const consider = (key) => {
        if (seen.has(key)) return;
        seen.add(key);
        const line = lineOf(key);
        if (line === null) return;
        const parts = line.split('\t');
        for (const selector of (parts.length === 1 ? parts : parts.slice(1)))
            if (!excepted.has(selector)) pending.push(selector);
    };
    const visit = (element) => {
        if (element.id) consider('#' + element.id);
        for (const name of element.classList) consider('.' + name);
    };
    const scan = (node) => {
        if (node.nodeType !== 1) return;
        visit(node);
        for (const element of node.querySelectorAll('[id],[class]')) visit(element);
    };
    const flush = () => {
        for (const selector of pending) {
            try { found.insertRule(rule(selector), found.cssRules.length); } catch (e) { }
        }
        pending = [];
        adopt();
    };
    new MutationObserver((records) => {
        for (const record of records) {
            if (record.type === 'attributes') visit(record.target);
            else for (const node of record.addedNodes) scan(node);
        }
        if (pending.length) flush();
    }).observe(document, { childList: true, subtree: true, attributes: true,
                           attributeFilter: ['class', 'id'] });
    if (document.documentElement) { scan(document.documentElement); flush(); }
};)JS";

QString quoted(const QString &text)
{
    // A JSON string is a JavaScript string literal.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

} // namespace

QString HidingScript::tableScript(const HidingMatcher &matcher)
{
    QString table;
    for (const KeyedSelectors &entry : matcher.keyedSelectors()) {
        if (!table.isEmpty())
            table += QLatin1Char('\n');
        table += QString::fromStdString(entry.key);
        // A line that is only its key is the one selector that key names.
        if (entry.selectors.size() == 1 && entry.selectors.front() == entry.key)
            continue;
        for (const std::string &selector : entry.selectors)
            table += QLatin1Char('\t') + QString::fromStdString(selector);
    }
    // Not in frames of a local file or of data: they have no host and hide
    // nothing, and each frame that runs the script gets a world of its own,
    // a megabyte or so of the page's memory.
    return QStringLiteral(
        "// ==UserScript==\n// @exclude file:*\n// @exclude data:*\n// ==/UserScript==\n"
        "(() => {\n'use strict';\nconst g = globalThis;\n"
        "if (g.__wavecrestHidingRun) return;\nconst TABLE = %1;%2\n"
        "g.__wavecrestHidingRun = run;\n"
        "if (g.__wavecrestHidingPage !== undefined) run(g.__wavecrestHidingPage);\n"
        "})();\n")
        .arg(quoted(table), QLatin1String(Runner));
}

QJsonObject HidingScript::hostEntry(const PageHiding &hiding)
{
    QJsonArray excepted;
    for (const std::string &selector : hiding.excepted)
        excepted.append(QString::fromStdString(selector));
    return QJsonObject{{QStringLiteral("css"), QString::fromStdString(hiding.styleSheet)},
        {QStringLiteral("generic"), hiding.generic}, {QStringLiteral("except"), excepted}};
}

QString HidingScript::pageScript(const QJsonObject &hosts)
{
    return QStringLiteral("(() => {\n'use strict';\nconst g = globalThis;\nconst HOSTS = %1;%2\n"
                          "const page = HOSTS[frameHost()] || null;\n"
                          "if (g.__wavecrestHidingPage !== undefined) return;\n"
                          "g.__wavecrestHidingPage = page;\n"
                          "if (g.__wavecrestHidingRun) g.__wavecrestHidingRun(page);\n"
                          "})();\n")
        .arg(QString::fromUtf8(QJsonDocument(hosts).toJson(QJsonDocument::Compact)),
            QLatin1String(FrameHost));
}
