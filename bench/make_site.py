#!/usr/bin/env python3
"""Generates a site for the whole-run benchmark: PAGES pages in directories of 100, LINKS links
each (relative, '../', directory links, fragments, a few per cent broken), mixed encodings.

usage: make_site.py ROOT [PAGES [LINKS [BIG_MB]]] [--manifest FILE] [--ext EXT]

The same arguments always give the same site. With --manifest, every planted defect is listed
there, one a line: 'broken' or 'anchor', the page (site-relative, '/'), and the link as written.
Each planted link is unique in the site, so a report names it when it contains that text.
--ext names the pages' extension (default 'htm'; 'html' for checkers that read no other).

The command-line test compares the log of a 200-page site from here with a stored one
(cli/testdata/generated-site-log.txt), and the optimised build records its profile on a site
from here: a change to the pages needs that log written anew."""
import os
import random
import sys

def main():
    args = sys.argv[1:]
    manifest = None
    if '--manifest' in args:
        at = args.index('--manifest')
        manifest = args[at + 1]
        del args[at:at + 2]
    ext = 'htm'
    if '--ext' in args:
        at = args.index('--ext')
        ext = args[at + 1]
        del args[at:at + 2]
    page = 'p%03d.' + ext
    root = args[0]
    pages = int(args[1]) if len(args) > 1 else 10000
    links = int(args[2]) if len(args) > 2 else 50
    big_mb = int(args[3]) if len(args) > 3 else 0
    planted = []
    rnd = random.Random(7)
    per_dir = 100
    dirs = (pages + per_dir - 1) // per_dir
    encodings = ['cp932', 'euc_jp', 'iso2022_jp']
    text = 'リンク検査の見本の文章です。漢字とかなが混じっています。'
    for d in range(dirs):
        os.makedirs(os.path.join(root, 'd%03d' % d), exist_ok=True)
    for p in range(pages):
        d, n = divmod(p, per_dir)
        lines = ['<html>', '<head><title>ページ %d</title></head>' % p, '<body>']
        lines.append('<h1><a name="top">見出し %d</a></h1>' % p)
        for k in range(links):
            r = rnd.random()
            td, tn = divmod(rnd.randrange(pages), per_dir)
            if r < 0.03:
                href = ('missing-%d-%d.' + ext) % (p, k)
                planted.append(('broken', ('/d%03d/' + page) % (d, n), href))
            elif r < 0.04:
                href = ('../d%03d/' + page + '#gone-%d-%d') % (td, tn, p, k)
                planted.append(('anchor', ('/d%03d/' + page) % (d, n), href))
            elif r < 0.35:
                href = page % rnd.randrange(per_dir) if td == d else ('../d%03d/' + page) % (td, tn)
            elif r < 0.55:
                href = ('../d%03d/' + page + '#top') % (td, tn)
            elif r < 0.65:
                href = '../d%03d/' % td
            elif r < 0.75:
                href = '#s%d' % rnd.randrange(10)
            elif r < 0.85:
                href = 'http://www.example.jp/%d.html' % k
            else:
                href = ('./' + page) % rnd.randrange(per_dir)
            # Ten anchors a page, for the fragment links above.
            anchor = ' id="s%d"' % k if k < 10 else ''
            lines.append('<p%s>%s <a href="%s"\n   title="リンク %d">%d</a></p>' % (anchor, text, href, k, k))
        lines.append('<!-- 注釈\n 複数行 -->')
        lines.append('</body></html>')
        body = '\r\n'.join(lines) + '\r\n'
        with open(os.path.join(root, 'd%03d' % d, page % n), 'wb') as f:
            f.write(body.encode(encodings[p % 3]))
    for d in range(dirs):
        with open(os.path.join(root, 'd%03d' % d, 'index.html'), 'wb') as f:
            f.write(('<html><body><a href="p000.%s">最初</a></body></html>\r\n' % ext).encode('cp932'))
    if manifest:
        with open(manifest, 'w', encoding='utf-8') as f:
            for kind, page, href in planted:
                f.write('%s\t%s\t%s\n' % (kind, page, href))
    if big_mb:
        chunk = ('<p>%s<a href="d000/p000.htm">x</a></p>\r\n' % text).encode('cp932')
        with open(os.path.join(root, 'big.htm'), 'wb') as f:
            for _ in range(big_mb * 1024 * 1024 // len(chunk)):
                f.write(chunk)

if __name__ == '__main__':
    main()
