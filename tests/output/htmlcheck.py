"""Parses produced HTML pages the way a browser does and checks their images.

Usage: htmlcheck.py PAGE...  Every page must be CP932, parse with html5lib, carry no
unreplaced "$" tag, and every <img src> must name a GIF file beside the page.
Prints one line per problem and exits 1 when there was any.
"""
import os
import re
import sys

from bs4 import BeautifulSoup

problems = []
for path in sys.argv[1:]:
    try:
        text = open(path, "rb").read().decode("cp932")
    except (OSError, UnicodeDecodeError) as e:
        problems.append(f"{path}: {e}")
        continue
    soup = BeautifulSoup(text, "html5lib")
    if soup.body is None or soup.title is None:
        problems.append(f"{path}: no title or body")
    if re.search(r"\$[A-Z]{3}", text):
        problems.append(f"{path}: unreplaced tag")
    imgs = soup.find_all("img")
    for img in imgs:
        src = img.get("src", "")
        target = os.path.join(os.path.dirname(path), src)
        if not src.endswith(".gif") or not os.path.isfile(target):
            problems.append(f"{path}: missing image {src}")
        elif open(target, "rb").read(6) not in (b"GIF87a", b"GIF89a"):
            problems.append(f"{path}: not a GIF {src}")
    print(f"{path}: {len(imgs)} images")
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
