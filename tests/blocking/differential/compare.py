#!/usr/bin/env python3
"""Compares the matcher's decisions with those of the two engines.

    compare.py REQUESTS OURS UBO GHOSTERY

Each of OURS, UBO and GHOSTERY holds one decision a line ("blocked"), in the
requests' order. A request agrees when our decision is that of at least one
engine. Where we differ from both, the difference must be one the browser
means (see explain()). Fails below 99.5 % agreement or on any disagreement
without an explanation.
"""
import ipaddress
import json
import sys
from urllib.parse import urlsplit

REQUIRED = 0.995


def read(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def is_local(host):
    host = host.strip("[]").rstrip(".")
    try:
        address = ipaddress.ip_address(host)
        return address.is_loopback or address.is_private or address.is_link_local \
            or address.is_unspecified
    except ValueError:
        return "." not in host or host.endswith((".local", ".localhost", ".home.arpa", ".internal"))


def explain(request, ours):
    """Why the browser decides otherwise on purpose, or None."""
    if ours:
        return None
    host = urlsplit(request["url"]).hostname or ""
    if is_local(host):
        return "the user's own machine or network is never blocked"
    if request["url"].split("#")[0] == request["sourceUrl"].split("#")[0]:
        return "a page's own address is never blocked"
    return None


def main(argv):
    requests, ours, ubo, ghostery = (read(p) for p in argv[1:5])
    if not (len(requests) == len(ours) == len(ubo) == len(ghostery)):
        print("compare: the decision files do not match the requests")
        return 1
    agreed = with_ubo = with_ghostery = 0
    unexplained = []
    reasons = {}
    for request, o, u, g in zip(requests, ours, ubo, ghostery):
        o, u, g = o["blocked"], u["blocked"], g["blocked"]
        with_ubo += o == u
        with_ghostery += o == g
        if o in (u, g):
            agreed += 1
            continue
        why = explain(request, o)
        if why is None:
            unexplained.append((request, o))
        else:
            reasons[why] = reasons.get(why, 0) + 1
    total = len(requests)
    print(f"requests={total} agree_with_either={agreed / total:.4%} "
          f"agree_with_ubo={with_ubo / total:.4%} agree_with_ghostery={with_ghostery / total:.4%} "
          f"both_differ={total - agreed}")
    for why, count in sorted(reasons.items(), key=lambda item: -item[1]):
        print(f"  explained ({count}): {why}")
    for request, o in unexplained:
        print(f"  UNEXPLAINED ours={'blocked' if o else 'allowed'}: {json.dumps(request)}")
    return 0 if agreed / total >= REQUIRED and not unexplained else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
