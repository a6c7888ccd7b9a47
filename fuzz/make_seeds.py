#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Seeds are small documents, fragments and update texts covering the language's
corners (frames, comments, quoted and length-prefixed values, macros, forms,
removal instructions, redefinition text). With --harvest, string literals that
hold "<U>" are also collected from the test sources under tests/. Run it again
after changing the lists; file names are content hashes, so reruns add nothing twice.
"""
import hashlib
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

DOCUMENTS = [
    b"<U></U>",
    b"<U>\n</U>",
    b"<U><B></B></U>",
    b"<U><B N=b><C N=c></C></B></U>",
    b"<U><B><C N=a></C><C N=b><A></A></C></B></U>",
    b'<U><B HREF="start"><C N=a HREF=next></C><C N=b></C></B></U>',
    b'<U><B><C N="a>b" ID="x y"></C></B></U>',
    b"<U><!-- x --><B></B></U>",
    b"<U><B><C N=a !-- x -- ></C></B></U>",
    b"<U><B><H><C N=c></C></H></B></U>",
    b"<U><H><C N=c></C></H></U>",
    b"<MACRO A:one?? B:two??></MACRO><U><B N=&A;><C N=&B;></C></B></U>",
    b"<MACRO>Title:Hello??</MACRO><U><B T=&Title; U=&TITLE;></B></U>",
    b"<MACRO>X:<l=4>a??b?? Y:z??></MACRO><U><B N=&X; M=&Y;></B></U>",
    b"<MACRO>A:&B;&B;??B:&C;&C;??C:xx??</MACRO><U><B N=&A;></B></U>",
    b'<U><B><C N="<l=5>a"b>c" X=1></C></B></U>',
    b'<U><B><C N="<l=999999>abc"></C></B></U>',
    b'<U><B><C N="<l=-3>abc"></C></B></U>',
    b'<U><B><C N="<l=xyz"></C></B></U>',
    b"<U><B><F ID=f1><FD ID=f1></FD></F></B></U>",
    b"<U><B></B><F NAME=abc ID=\"x y\"></F></U>",
    b"<U><B><C N=a><E T=7></E><M T=7></M><A N=x></A></C></B></U>",
    b"<U><B><C N=a></C></B></U><C N=b X=1></C>",
    b"<U><B><C N=a></C></B></U>   ",
    b"<U><B></B></U><B HREF=x></B>",
    b"<U></B><B></U>",
    b"<U><B><C></B></C></U>",
    b"<U>< /C><B></B></U>",
    b"<U><B ID N=x></B></U>",
    b"<U><B><C N=a;b X=a&b></C></B></U>",
    b"<U><c n=Abc></c></U>",
    b"<U><N N=abc></N></U>",
    b"<U><B><C N=a><IA T=1></IA></C></B></U>",
    b'<U>"<U>"<B></B></U>',
    b"<U><!-- <U> --></U>",
    b"<U><B><C N=\"unterminated></C></B></U>",
    b"<U><B><C N=a></C>",
    b"<U><B></B></U></U>",
    b"<U><<B>><C N=a>></C></B></U>",
    b"<U><B>\t<C\r\nN=a\r\n></C></B></U>",
]

FRAGMENTS = [
    b"<U><B><C N=b></C></B></U>",
    b"<U><B><C N=a X=1></C></B></U>",
    b"<U><B><C N=A></C></B></U>",
    b"<U><B><C N=b></C><C N=b Y=2></C></B></U>",
    b"<U><B><F ID=f2></F><F ID=f3></F></B></U>",
    b"<U><B><C N=a><A N=x V=1></A><A N=y></A><E T=7><M></M></E></C></B></U>",
    b"<U><B><C N=a><IE T=7></IE><IM T=7></IM><IA T=></IA></C></B></U>",
    b'<U><B HREF="other" NEW=1><A N=z></A><EN T=3></EN></B></U>',
    b"<U><B><C></C></B></U>",
    b"<MACRO>A:new??</MACRO><U><B N=&A;></B></U>",
    b"<U><B><C N=a></C></B></U><C N=a Z=3></C>",
    b"<U><B><C N=c>",
    b"<U></U>",
    b"<U><B><B></B></B></U>",
]

UPDATES = [
    b"<C N=b X=1></C>",
    b"<C N=a X=2></C><C N=b></C>",
    b"<B HREF=x></B>",
    b"<C N=a X=2></C><A N=x></A>",
    b"<C N=a X=2></C><C N=c>",
    b"<c n=a></c>",
    b"<B><C N=d></C></B>",
    b"<C N=a><A N=x V=2></A><IE T=7></IE><E T=8></E></C>",
    b"<B><B><B></B></B></B>",
    b"</C></C></B>",
    b"<MACRO>K:v??</MACRO><C N=&K;></C>",
    b'<C N=a V="<l=3>a"b"></C>',
]

# Host-built statement lists: '\n' ends a statement, '\x01' a list, "\x02" is a null entry.
HOST_LISTS = [
    b"",
    b"\x02",
    b"<C N=x></C>",
    b"<C N=x>\n</C>",
    b"<B HREF=y>\n\n</B>",
    b"</C>\n</B>\n</C>",
    b"<C N=z\n/C",
    b"<C N=a X=1>\n\x02\n</C>\x01<B>\n<C N=b>\n</C>\n</B>",
    b"<F ID=1>\n<FD>\n</FD>\n</F>",
    b"<C N=a>\n<IA T=>\n</IA>\n<A N=x>\n</A>\n</C>",
]

SCANNER_TEXTS = [
    b'<C NAME=abc ID="x y"',
    b"a:b", b"a&b", b"ab:", b"  NAME=value", b'"a b" rest', b"a&b;c d", b"a:b:c", b'ab"cd"',
    b'"<l=5>a"b>c" x', b'"<l=>x"', b'"<l=-5>abc"', b'"<l=999999>ab"', b'"<l=', b"= = =", b'"abc',
    b"<B ID N=x", b"<C N=a;b", b"</C>", b"<N N=abc", b"", b'"<l= +3>abc"',
]

URI_TEXTS = [b"a b+c", b"", b"\x80\xff\xfe", b"%", b"%4", b"%41%zz%ZZ+", b"-._~!*'();:@&=+$,/?#[]", bytes(range(1, 256))]


def scanner_seed(text, pos=0, limit=-1, stop=2, flags=1):
    limit = len(text) if limit < 0 else limit
    head = bytes([pos & 255, (pos >> 8) & 255, limit & 255, (limit >> 8) & 255, stop & 7, flags])
    return head + text


# Authors' usual mistakes, for the checks and the layout.
MISTAKES = [
    b"<U>\n<B N=b>\n<C N=a>\n  <E T=click>\n</C>\n</B>\n</U>\n",
    b"<U><B><C N=a></C></C></B></U>",
    b'<U><B><C N="a></C></B></U>',
    b'<U><B><C N=a V="<l=5>abc"></C></B></U>',
    b"<U><B><C N=a\n<A N=x></A></C></B></U>",
    b'<U><B><C N="a><A N=x></A></C><C N="b></C></B></U>',
    b"<U><B><Q></Q><C N=a></C><C N=a></C></B><F ID=f></F><F ID=f></F></U><C N=a V=1></C><A></A>",
    b'<MACRO>Q:"??</MACRO><U><B><C N=&Q;a> <A></A>&Q;></C></B></U>',
    b"<U>\n  <!-- note -->\n<B N=\"&SITE;\">text</B>\n</U>\n",
]


def harvest():
    found = []
    pattern = re.compile(rb'"((?:[^"\\\n]|\\.)*<U>(?:[^"\\\n]|\\.)*)"')
    for folder, _, files in os.walk(os.path.join(ROOT, "tests")):
        for name in files:
            if not name.endswith(".cpp"):
                continue
            with open(os.path.join(folder, name), "rb") as f:
                for m in pattern.finditer(f.read()):
                    raw = m.group(1)
                    try:
                        found.append(raw.decode("unicode_escape").encode("latin-1"))
                    except (UnicodeDecodeError, UnicodeEncodeError):
                        found.append(raw)
    return found


def write(target, items):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for item in items:
        name = hashlib.sha1(item).hexdigest()[:16]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(item)


def main():
    documents = list(DOCUMENTS)
    if "--harvest" in sys.argv:
        documents += harvest()
    write("parse", documents)
    write("merge", [d + b"\0" + f for d in DOCUMENTS[:8] for f in FRAGMENTS] + [d + b"\0" + d for d in documents])
    write("update", [d + b"\0" + u for d in DOCUMENTS[:8] for u in UPDATES])
    write("host_lists", [d + b"\0" + h for d in DOCUMENTS[:8] for h in HOST_LISTS])
    seeds = []
    for t in SCANNER_TEXTS:
        seeds.append(scanner_seed(t))
        seeds.append(scanner_seed(t, pos=max(t.find(b'"'), 0), flags=3))
        seeds.append(scanner_seed(t, pos=len(t), limit=0, stop=1, flags=0))
    write("scanners", seeds)
    write("uri", URI_TEXTS)
    write("authoring", documents + MISTAKES)


if __name__ == "__main__":
    main()
