#!/usr/bin/env python3
"""Builds the benchmark trees below a folder:
  small/  100,000 small files in 1,000 folders (10 levels of 100 below 10
          top folders), ten extensions, so that one extension selects 1 in 10;
  large/  2,000 files of 256 KiB in 40 folders."""
import os
import sys

EXTENSIONS = [".jpg", ".png", ".txt", ".doc", ".pdf", ".mp3", ".gif", ".csv", ".xml", ".dat"]


def make_small(root):
    n = 0
    for top in range(10):
        for sub in range(100):
            folder = os.path.join(root, "small", f"top{top:02d}", f"folder {sub:03d}")
            os.makedirs(folder, exist_ok=True)
            for i in range(100):
                ext = EXTENSIONS[(i + sub) % len(EXTENSIONS)]
                with open(os.path.join(folder, f"file{i:03d}{ext}"), "wb") as f:
                    f.write(b"x" * (n % 64))
                n += 1
    return n


def make_large(root):
    block = os.urandom(256 * 1024)
    n = 0
    for d in range(40):
        folder = os.path.join(root, "large", f"album{d:02d}")
        os.makedirs(folder, exist_ok=True)
        for i in range(50):
            with open(os.path.join(folder, f"photo{i:02d}.jpg"), "wb") as f:
                f.write(block[n % 1024:] + block[:n % 1024])
            n += 1
    return n


if __name__ == "__main__":
    root = sys.argv[1]
    print(f"small files: {make_small(root)}, large files: {make_large(root)}", file=sys.stderr)
