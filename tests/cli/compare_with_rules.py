#!/usr/bin/env python3
"""Compares tarnwick-cli, byte for byte, with a second, independent reading of
the program's rules (walk order, selection, the three naming modes, the CSV
lines) on random trees of awkward names: blanks, commas, quotes, tabs,
colons, backslashes, non-ASCII, bytes that are not UTF-8, dot files and dot
folders, links to files and folders, a link loop, a dangling link, a FIFO.
In copy mode it also checks every target's content.

    compare_with_rules.py TARNWICK_CLI [SEEDS]
"""
import hashlib, os, random, stat, subprocess, sys, tempfile, unicodedata

def dec(b): return b.decode('utf-8', 'surrogateescape')
def enc(s): return s.encode('utf-8', 'surrogateescape')

def ascii_fit(s):
    out = bytearray()
    for ch in s:
        c = ord(ch)
        if c < 0x80: out.append(c)
        elif 0xD800 <= c <= 0xDFFF: out.append(0x3F)
        else:
            d = unicodedata.normalize('NFKD', ch)
            out.append(ord(d[0]) if d and ord(d[0]) < 0x80 else 0x3F)
    return bytes(out)

def md5name(t): return hashlib.md5(ascii_fit(t)).hexdigest().upper()

def ext_of(name):
    for i in range(len(name) - 1, -1, -1):
        if name[i] == '.': return name[i:]
        if name[i] in '\\:': return ''
    return ''

def blank(c): return 1 <= ord(c) <= 32

def split_comma(t):
    items = []; i = 0; n = len(t)
    while i < n and blank(t[i]): i += 1
    while i < n:
        if t[i] == '"':
            i += 1; item = ''
            while i < n:
                if t[i] == '"':
                    if i + 1 < n and t[i+1] == '"': item += '"'; i += 2; continue
                    i += 1; break
                item += t[i]; i += 1
        else:
            s = i
            while i < n and t[i] != ',' and not blank(t[i]): i += 1
            item = t[s:i]
        items.append(item)
        while i < n and blank(t[i]): i += 1
        if i < n and t[i] == ',':
            if i == n - 1: items.append('')
            i += 1
            while i < n and blank(t[i]): i += 1
    return items

TOKEN = '<#_SPACE_#>'
def reverse_name(rel, d):
    t = rel.replace(':', '').replace(' ', TOKEN).replace('\\', ',')
    r = ''
    for it in reversed(split_comma(t)):
        if it: r += it + d
    return r.replace(TOKEN, ' ')

def target(mode, new, d, rel, name):
    if mode == 0: return new + '/' + md5name(rel + '\\' + name) + ext_of(name)
    if mode == 1: return new + '/' + rel.replace('\\', d) + name
    if mode == 2: return new + '/' + reverse_name(rel, d) + name
    return ''

def quote(cell):
    if any(blank(c) or c in '",' for c in cell): return '"' + cell.replace('"', '""') + '"'
    return cell

def walk(dirb, dirt, rel, filt, mode, new, d, anc, rows):
    try: st = os.stat(dirb)
    except PermissionError: st = None
    except OSError: return
    if st is not None:
        if not stat.S_ISDIR(st.st_mode): return
        if (st.st_dev, st.st_ino) in anc: return
        anc = anc + [(st.st_dev, st.st_ino)]
    try: entries = list(os.scandir(dirb))
    except OSError: return
    # scandir omits . and .. ; those are dot folders and skipped anyway
    for e in entries:
        nb = e.name; nt = dec(nb)
        try: s = os.stat(os.path.join(dirb, nb))
        except OSError:
            if os.path.islink(os.path.join(dirb, nb)): s = None
            else: continue
        if s is not None and stat.S_ISDIR(s.st_mode):
            if nb.startswith(b'.'): continue
            walk(dirb + b'/' + nb, dirt + '/' + nt, rel + nt + '\\', filt, mode, new, d, anc, rows)
        elif s is None or stat.S_ISREG(s.st_mode):
            x = ''.join(c.lower() if 'A' <= c <= 'Z' else c for c in ext_of(nt))
            if filt and x != filt: continue
            rows.append((dirt + '/' + nt, target(mode, new, d, rel, nt)))


def lower_az(s): return ''.join(c.lower() if 'A' <= c <= 'Z' else c for c in s)


def expected_rows(src, new, filt, mode, d):
    rows = []
    walk(src, dec(src), '', lower_az(dec(filt)), mode, dec(new), dec(d), [], rows)
    return rows


def csv_bytes(rows):
    lines = ['"Source Folder","New Folder"'] + [quote(a) + ',' + quote(b) for a, b in rows]
    if not rows:
        lines.append(',')
    return b''.join(enc(l) + b'\r\n' for l in lines)


def make_tree(root, seed):
    random.seed(seed)
    names = [b'a', b'b c', b'x,y', b'q"uote', b't\tab', b'co:lon', b'caf\xc3\xa9',
             b'\xe6\xbc\xa2\xe5\xad\x97', b'lat\xe9', b'\xff\xfe', b'.dot', b'a.b',
             b'sp <#_SPACE_#> ace', b'back\\slash', b'emoji\xf0\x9f\x98\x80', b'UP', b'  lead',
             b'trail ', b'"q"']
    exts = [b'.jpg', b'.JPG', b'.Jpg', b'', b'.jpeg', b'.txt', b'.', b'.tar.gz']
    def mk(d, depth):
        if os.path.exists(d) and not os.path.isdir(d):
            return
        os.makedirs(d, exist_ok=True)
        for _ in range(random.randint(1, 6)):
            n = random.choice(names) + random.choice(exts)
            p = os.path.join(d, n)
            if not os.path.exists(p):
                with open(p, 'wb') as f:
                    f.write(n)
        if depth < 3:
            for _ in range(random.randint(0, 3)):
                mk(os.path.join(d, random.choice(names)), depth + 1)
    mk(root, 0)
    os.symlink(root, os.path.join(root, b'loop'))
    os.symlink(os.path.join(root, b'missing'), os.path.join(root, b'dead.jpg'))
    os.mkfifo(os.path.join(root, b'fifo.jpg'))
    os.symlink(b'a', os.path.join(root, b'folder-link'))
    with open(os.path.join(root, b'plain.jpg'), 'wb') as f:
        f.write(b'plain')
    os.symlink(b'plain.jpg', os.path.join(root, b'file-link.jpg'))


def main():
    cli = sys.argv[1]
    seeds = range(1, 1 + (int(sys.argv[2]) if len(sys.argv) > 2 else 3))
    failures = checks = 0
    for seed in seeds:
        with tempfile.TemporaryDirectory() as work:
            w = os.fsencode(work)
            src, new = w + b'/tree', w + b'/out'
            make_tree(src, seed)
            os.mkdir(new)
            for mode, name in enumerate(['md5', 'asc', 'desc']):
                for filt in [b'', b'.jpg', b'.JPG', b'jpg']:
                    for d in [b'_', b'', b' -', '\u00e9'.encode()]:
                        args = [cli, '--source', src, '--new-folder', new, '--ext', filt,
                                '--mode', name, '--delimiter', d]
                        got = subprocess.run(args, capture_output=True).stdout
                        checks += 1
                        if got != csv_bytes(expected_rows(src, new, filt, mode, d)):
                            failures += 1
                            print(f'differs: seed {seed}, {name}, ext {filt!r}, delimiter {d!r}')
            # Copy mode: the list is the same, and each target holds the last
            # source that named it (a dangling link cannot be copied: exit 1).
            rows = expected_rows(src, new, b'', 1, b'_')
            done = subprocess.run([cli, '--source', src, '--new-folder', new, '--mode', 'asc',
                                   '--copy'], capture_output=True)
            checks += 1
            last = {}
            for s, t in rows:
                last[enc(t)] = enc(s)
            for t, s in last.items():
                if os.path.isfile(s) and open(t, 'rb').read() != open(s, 'rb').read():
                    failures += 1
                    print(f'copy differs: {s!r} -> {t!r}')
            if done.stdout != csv_bytes(rows) or done.returncode != 1:
                failures += 1
                print(f'copy mode: list or exit status {done.returncode} differs (seed {seed})')
    print(f'{checks - failures} passed, {failures} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
