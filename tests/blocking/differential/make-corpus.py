#!/usr/bin/env python3
"""Writes the differential test's requests, one JSON object a line.

    make-corpus.py LIST_FILE... > requests.jsonl

Two halves, both made the same way on every run (a fixed seed):
- requests derived from the lists' own network rules: an address that the
  rule's pattern matches, with the type, page and party its options ask for,
  and as often a variant that one of them should refuse (another type, another
  page, a near-miss host);
- ordinary page loads: a main frame and the sub-resources pages of many kinds
  load (their own files, CDNs, fonts, maps, video, payment, analytics and
  advertising services), among them a few on the user's own network.
"""
import json
import random
import re
import sys

SEED = 2026
RULE_SAMPLES = 2600
PAGE_LOADS = 150

TYPES = ["script", "image", "stylesheet", "xmlhttprequest", "sub_frame", "font", "media",
         "object", "ping", "websocket", "other"]
OPTION_TYPES = {
    "script": "script", "image": "image", "stylesheet": "stylesheet", "css": "stylesheet",
    "xmlhttprequest": "xmlhttprequest", "xhr": "xmlhttprequest", "subdocument": "sub_frame",
    "frame": "sub_frame", "font": "font", "media": "media", "object": "object", "ping": "ping",
    "websocket": "websocket", "other": "other", "document": "main_frame",
}

SITES = [
    "www.nytimes.com", "www.theguardian.com", "www.bbc.co.uk", "edition.cnn.com",
    "www.spiegel.de", "www.lemonde.fr", "elpais.com", "www.repubblica.it", "www.ebay.com",
    "www.etsy.com", "www.walmart.com", "www.bestbuy.com", "medium.com", "dev.to",
    "developer.mozilla.org", "docs.python.org", "stackoverflow.com", "github.com",
    "www.reddit.com", "news.ycombinator.com", "www.imdb.com", "www.allrecipes.com",
    "www.weather.com", "www.booking.com", "www.tripadvisor.com", "www.wikipedia.org",
    "en.wikipedia.org", "www.bild.de", "www.dailymail.co.uk", "www.forbes.com",
    "www.huffpost.com", "www.yahoo.com", "www.msn.com", "www.twitch.tv", "www.espn.com",
    "www.nature.com", "arstechnica.com", "www.theverge.com", "www.wired.com",
    "www.cnet.com", "blog.example-shop.co.uk", "forum.example.com.au", "www.lequipe.fr",
    "www.marca.com", "www.corriere.it", "www.asahi.com", "www.naver.com", "www.olx.pl",
]

# Third-party services pages load, by kind: (host, paths, type).
SERVICES = [
    ("cdnjs.cloudflare.com", ["/ajax/libs/jquery/3.7.1/jquery.min.js",
                              "/ajax/libs/font-awesome/6.5.1/css/all.min.css"], None),
    ("cdn.jsdelivr.net", ["/npm/bootstrap@5.3.2/dist/js/bootstrap.bundle.min.js",
                          "/npm/swiper@11/swiper-bundle.min.css"], None),
    ("ajax.googleapis.com", ["/ajax/libs/jquery/3.7.1/jquery.min.js"], "script"),
    ("code.jquery.com", ["/jquery-3.7.1.min.js"], "script"),
    ("unpkg.com", ["/react@18/umd/react.production.min.js"], "script"),
    ("fonts.googleapis.com", ["/css2?family=Roboto:wght@400;700&display=swap"], "stylesheet"),
    ("fonts.gstatic.com", ["/s/roboto/v30/KFOmCnqEu92Fr1Mu4mxK.woff2"], "font"),
    ("use.typekit.net", ["/abc1def.css"], "stylesheet"),
    ("maps.googleapis.com", ["/maps/api/js?key=AIzaSyA&callback=initMap"], "script"),
    ("www.google.com", ["/recaptcha/api.js", "/recaptcha/api2/anchor?k=6Le"], None),
    ("www.gstatic.com", ["/recaptcha/releases/abc/recaptcha__en.js"], "script"),
    ("js.stripe.com", ["/v3/"], "script"),
    ("www.youtube.com", ["/embed/dQw4w9WgXcQ", "/iframe_api"], None),
    ("i.ytimg.com", ["/vi/dQw4w9WgXcQ/hqdefault.jpg"], "image"),
    ("player.vimeo.com", ["/video/76979871"], "sub_frame"),
    ("platform.twitter.com", ["/widgets.js"], "script"),
    ("upload.wikimedia.org", ["/wikipedia/commons/thumb/a/a9/Example.jpg/320px-Example.jpg"],
     "image"),
    ("www.google-analytics.com", ["/analytics.js", "/g/collect?v=2&tid=G-ABC123"], None),
    ("www.googletagmanager.com", ["/gtag/js?id=G-ABC123", "/gtm.js?id=GTM-ABC12"], "script"),
    ("connect.facebook.net", ["/en_US/fbevents.js", "/en_US/sdk.js"], "script"),
    ("www.facebook.com", ["/tr/?id=123456&ev=PageView&noscript=1"], "image"),
    ("bat.bing.com", ["/bat.js", "/action/0?ti=123&evt=pageLoad"], None),
    ("static.hotjar.com", ["/c/hotjar-123456.js?sv=6"], "script"),
    ("script.hotjar.com", ["/modules.3f2a.js"], "script"),
    ("cdn.segment.com", ["/analytics.js/v1/abcKEY/analytics.min.js"], "script"),
    ("api.segment.io", ["/v1/t", "/v1/p"], "xmlhttprequest"),
    ("snap.licdn.com", ["/li.lms-analytics/insight.min.js"], "script"),
    ("px.ads.linkedin.com", ["/collect/?pid=123&fmt=gif"], "image"),
    ("sb.scorecardresearch.com", ["/beacon.js", "/p?c1=2&c2=123"], None),
    ("cdn.mxpnl.com", ["/libs/mixpanel-2-latest.min.js"], "script"),
    ("api-js.mixpanel.com", ["/track/?verbose=1"], "xmlhttprequest"),
    ("www.clarity.ms", ["/tag/abc123"], "script"),
    ("static.cloudflareinsights.com", ["/beacon.min.js"], "script"),
    ("js-agent.newrelic.com", ["/nr-spa-1234.min.js"], "script"),
    ("bam.nr-data.net", ["/1/NRJS-abc?a=1&v=1.2"], "xmlhttprequest"),
    ("cdn.amplitude.com", ["/libs/amplitude-8.21.9-min.gz.js"], "script"),
    ("securepubads.g.doubleclick.net", ["/tag/js/gpt.js", "/gampad/ads?iu=/123/site"], None),
    ("pagead2.googlesyndication.com", ["/pagead/js/adsbygoogle.js?client=ca-pub-123"],
     "script"),
    ("tpc.googlesyndication.com", ["/safeframe/1-0-40/html/container.html"], "sub_frame"),
    ("googleads.g.doubleclick.net", ["/pagead/ads?client=ca-pub-123&format=728x90"],
     "sub_frame"),
    ("acdn.adnxs.com", ["/ast/ast.js"], "script"),
    ("ib.adnxs.com", ["/ut/v3/prebid"], "xmlhttprequest"),
    ("cdn.taboola.com", ["/libtrc/site/loader.js"], "script"),
    ("widgets.outbrain.com", ["/outbrain.js"], "script"),
    ("c.amazon-adsystem.com", ["/aax2/apstag.js"], "script"),
    ("static.criteo.net", ["/js/ld/publishertag.js"], "script"),
    ("fastlane.rubiconproject.com", ["/a/api/fastlane.json?account_id=1"], "xmlhttprequest"),
    ("hbopenbid.pubmatic.com", ["/translator?source=prebid-client"], "xmlhttprequest"),
    ("cdn.ampproject.org", ["/v0.js", "/v0/amp-ad-0.1.js"], "script"),
    ("ws.pusherapp.com", ["/app/abc?protocol=7"], "websocket"),
    ("cdn.cookielaw.org", ["/scripttemplates/otSDKStub.js"], "script"),
    ("s.pinimg.com", ["/ct/core.js"], "script"),
    ("analytics.tiktok.com", ["/i18n/pixel/events.js"], "script"),
]

OWN_PATHS = [
    ("/", "sub_frame"), ("/static/js/main.{h}.js", "script"), ("/static/css/site.{h}.css",
                                                                "stylesheet"),
    ("/images/hero-{n}.jpg", "image"), ("/img/logo.svg", "image"), ("/favicon.ico", "image"),
    ("/api/v2/articles?page={n}", "xmlhttprequest"), ("/api/user/session", "xmlhttprequest"),
    ("/fonts/inter-var.woff2", "font"), ("/media/clip-{n}.mp4", "media"),
    ("/ads/banner-{n}.gif", "image"), ("/advert/slot{n}.js", "script"),
    ("/track/pixel.gif?u={h}", "image"), ("/beacon?evt=view&id={n}", "ping"),
    ("/live/updates", "websocket"), ("/assets/ad-loader.js", "script"),
    ("/cdn-cgi/challenge-platform/scripts/jsd/main.js", "script"),
    ("/wp-content/plugins/adrotate/library/jquery.adrotate.dyngroup.js", "script"),
    ("/sponsored/promo_{n}.png", "image"), ("/embed/widget.html?ref={h}", "sub_frame"),
]

LOCAL_HOSTS = ["http://192.168.1.1", "http://10.0.0.5:8080", "http://127.0.0.1", "http://localhost:3000",
               "http://nas.local", "http://printer", "http://[::1]:8000", "http://169.254.10.20"]


def registrable(host):
    parts = host.split(".")
    if len(parts) >= 3 and parts[-2] in ("co", "com", "org", "net") and len(parts[-1]) == 2:
        return ".".join(parts[-3:])
    return ".".join(parts[-2:])


class Corpus:
    def __init__(self, rng):
        self.rng = rng
        self.requests = []

    def add(self, url, source, rtype):
        self.requests.append({"url": canonical(url), "sourceUrl": source, "type": rtype})

    def word(self, length=None):
        length = length or self.rng.randint(3, 9)
        return "".join(self.rng.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(length))

    def fill(self, pattern):
        """The pattern as one address it matches: '*' some text, '^' a slash."""
        out = []
        for i, c in enumerate(pattern):
            if c == "*":
                out.append(self.word())
            elif c == "^":
                out.append("/" if i + 1 < len(pattern) else self.rng.choice(["/", "/x.js", "/?x=1"]))
            else:
                out.append(c)
        return "".join(out)


def canonical(url):
    """The address as the browser hands it over: a path after the host."""
    match = re.match(r"^([a-z][a-z0-9+.-]*://)([^/?#]*)(.*)$", url)
    if not match:
        return url
    scheme, authority, rest = match.groups()
    if not rest.startswith("/"):
        rest = "/" + rest
    return scheme + authority.lower() + rest


def parse_rule(line):
    exception = line.startswith("@@")
    body = line[2:] if exception else line
    options = []
    dollar = body.rfind("$")
    if dollar >= 0 and re.match(r"[~a-z0-9_]", body[dollar + 1:dollar + 2] or "-", re.I):
        options = body[dollar + 1:].split(",")
        body = body[:dollar]
    return exception, body, options


def rule_request(corpus, line):
    rng = corpus.rng
    exception, pattern, options = parse_rule(line)
    if len(pattern) >= 2 and pattern.startswith("/") and pattern.endswith("/"):
        return  # regexes have no one address to derive
    types, excluded, domains, party = [], set(), [], None
    for option in options:
        negated = option.startswith("~")
        name = option.lstrip("~").lower()
        if name in OPTION_TYPES:
            (excluded.add if negated else types.append)(OPTION_TYPES[name])
        elif name in ("third-party", "3p"):
            party = "first" if negated else "third"
        elif name in ("first-party", "1p"):
            party = "third" if negated else "first"
        elif name.startswith("domain="):
            domains = [d for d in name[7:].split("|") if not d.startswith("~") and "*" not in d]
    rtype = rng.choice(types) if types else rng.choice([t for t in TYPES if t not in excluded])
    page_host = rng.choice(domains) if domains else rng.choice(SITES)
    if pattern.startswith("||"):
        target = pattern[2:]
        host = re.split(r"[/^:?*|]", target, maxsplit=1)[0]
        prefix = rng.choice(["", "", "cdn.", "www."]) if host and "." in host else ""
        url = "https://" + prefix + corpus.fill(target.rstrip("|"))
        request_host = prefix + host
    elif pattern.startswith("|"):
        url = corpus.fill(pattern[1:].rstrip("|"))
        if not re.match(r"^[a-z]+://", url):
            return
        request_host = re.split(r"[/:?]", url.split("://", 1)[1])[0]
    else:
        request_host = rng.choice(SITES + [s[0] for s in SERVICES])
        filled = corpus.fill(pattern.rstrip("|")).lstrip("|")
        joint = "" if filled.startswith(("/", "?", "&", ".", "-", "_", "=")) else "/" + corpus.word()
        url = "https://" + request_host + "/" + corpus.word() + joint + filled
    if party == "first":
        page_host = request_host if request_host else page_host
    elif party == "third" and registrable(page_host) == registrable(request_host or "x"):
        page_host = rng.choice(SITES)
    page = "https://" + page_host + "/" + rng.choice(["", "news/", "article/" + corpus.word()])
    if rtype == "main_frame":
        page = rng.choice(["", page])
    corpus.add(url, page, rtype)
    # A variant that an option or an anchor may refuse.
    variant = rng.random()
    if variant < 0.25:
        corpus.add(url, "https://" + rng.choice(SITES) + "/", rng.choice(TYPES))
    elif variant < 0.4 and request_host:
        corpus.add(url.replace(request_host, "not" + request_host, 1), page, rtype)


def page_load(corpus, site, local=False):
    rng = corpus.rng
    origin = site if local else "https://" + site
    page = origin + rng.choice(["/", "/news/" + corpus.word() + ".html", "/p/" + corpus.word(),
                                "/search?q=" + corpus.word()])
    corpus.add(page, rng.choice(["", page, "https://" + rng.choice(SITES) + "/"]), "main_frame")
    for _ in range(rng.randint(4, 12)):
        path, rtype = rng.choice(OWN_PATHS)
        url = origin + path.format(h=corpus.word(8), n=rng.randint(1, 99))
        if rtype == "websocket":
            url = url.replace("https://", "wss://", 1).replace("http://", "ws://", 1)
        corpus.add(url, page, rtype)
    if local:
        return
    for _ in range(rng.randint(8, 30)):
        host, paths, rtype = rng.choice(SERVICES)
        url = "https://" + host + rng.choice(paths)
        if rtype == "websocket":
            url = "wss://" + host + rng.choice(paths)
        corpus.add(url, page, rtype or rng.choice(["script", "image", "xmlhttprequest", "sub_frame"]))
    if rng.random() < 0.3:
        # A frame's own loads name the frame as their page.
        frame = "https://" + rng.choice(["tpc.googlesyndication.com/safeframe/1-0-40/html/container.html",
                                         "www.youtube.com/embed/dQw4w9WgXcQ", "player.vimeo.com/video/1"])
        corpus.add(frame, page, "sub_frame")
        host, paths, rtype = rng.choice(SERVICES)
        corpus.add("https://" + host + rng.choice(paths), frame, rtype or "script")


def main(paths):
    rng = random.Random(SEED)
    corpus = Corpus(rng)
    rules = []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith(("!", "[")) and "##" not in line and "#@#" not in line \
                        and "#?#" not in line and "#$#" not in line:
                    rules.append(line)
    for line in rng.sample(rules, min(RULE_SAMPLES, len(rules))):
        rule_request(corpus, line)
    for _ in range(PAGE_LOADS):
        page_load(corpus, rng.choice(SITES))
    for host in LOCAL_HOSTS:
        page_load(corpus, host, local=True)
    out = sys.stdout
    for request in corpus.requests:
        out.write(json.dumps(request, separators=(",", ":")) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
