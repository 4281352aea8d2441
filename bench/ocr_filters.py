"""The samples, the recognition and the tables of bench/ocr-filters, which sets up what this needs.

usage: ocr_filters.py <contrast|filters> <work-dir> <convert> <tarvel_ocr_prepare> <family=font-file>...
"""

import os
import statistics
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

mode, work, magick, prepare = sys.argv[1], Path(sys.argv[2]), sys.argv[3], sys.argv[4]
fonts = [tuple(arg.split("=", 1)) for arg in sys.argv[5:]]
jobs = os.cpu_count() or 1

# Menu items, labels, buttons, paths, messages, numbers and dates: what users select to copy.
texts = [
    "Save As...",
    "Cancel",
    "Check for updates automatically",
    "Show hidden files and folders",
    "Don't ask me again",
    "Undo Typing    Ctrl+Z",
    "Settings > Advanced > Network",
    "C:\\Users\\Public\\Documents\\report_2024.xlsx",
    "/home/anna/projects/invoice-v2.pdf",
    "Error 0x80070005: Access is denied.",
    "The file could not be opened because it is in use by another process.",
    "Last modified: 2024-03-15 14:07",
    "Version 2.4.1 (build 1187)",
    "Free space: 12.8 GB of 256 GB",
    "Zoom: 125%",
    "Total: $1,249.99 (incl. VAT)",
    "support@example.com",
    "https://example.org/help?id=42&lang=en",
    "Delete 3 selected items?",
    "QUANTITY  Unit Price  Amount",
]
sizes = [9, 10, 11, 12, 13, 14]

# (category, polarity, text colour, background colour, anti-aliased)
colours = [
    ("near-black / near-white", "dark on light", "#1E1E1E", "#F0F0F0", True),
    ("near-black / near-white", "light on dark", "#E6E6E6", "#1E1E1E", True),
    ("grey", "dark on light", "#666666", "#FFFFFF", True),
    ("grey", "light on dark", "#B4B4B4", "#3C3C3C", True),
    ("coloured", "dark on light", "#0066CC", "#FFFFFF", True),
    ("coloured", "light on dark", "#FFFFFF", "#0078D7", True),
    ("low contrast", "dark on light", "#888888", "#EEEEEE", True),
    ("low contrast", "light on dark", "#777777", "#333333", True),
    ("tinted background", "dark on light", "#1E1E1E", "#FFF4CE", True),
    ("tinted background", "dark on light", "#1E1E1E", "#E5F1FB", True),
    ("tinted background", "light on dark", "#E6E6E6", "#1F3347", True),
    ("tinted background", "light on dark", "#F0F0F0", "#3A2F1B", True),
    ("not anti-aliased", "dark on light", "#000000", "#F0F0F0", False),
    ("not anti-aliased", "light on dark", "#E6E6E6", "#1E1E1E", False),
]

if mode == "filters":
    variants = [(f, [f]) for f in ["nearest", "box", "bilinear", "catmullrom", "lanczos3"]]
else:
    variants = [(step, ["bilinear", step]) for step in ["none", "fixed", "adaptive"]]
names = ["raw"] + [name for name, _ in variants]

img = work / "img"
img.mkdir(parents=True, exist_ok=True)
for old in img.glob("*.png"):
    old.unlink()

# Each colour gets every font and size, and half the texts by turns, so that all texts are
# read in every colour and the run stays short.
samples = []
for ci, (category, polarity, ink, paper, smooth) in enumerate(colours):
    for fi, (family, file) in enumerate(fonts):
        for si, size in enumerate(sizes):
            for ti, text in enumerate(texts):
                if (ti + ci + fi + si) % 2:
                    continue
                samples.append({"id": f"s{len(samples):04d}", "category": category, "polarity": polarity,
                                "colours": f"{ink} on {paper}", "ink": ink, "paper": paper, "smooth": smooth,
                                "family": family, "file": file, "size": size, "text": text})


def render(s):
    raw = img / f"{s['id']}.raw.png"
    # label: expands backslash and percent escapes; these keep the text literal. -density 72
    # with -pointsize N: an N-pixel font. No pHYs chunk, as on a screen crop.
    literal = s["text"].replace("\\", "\\\\").replace("%", "%%")
    subprocess.run([magick, "-density", "72", "-font", s["file"], "-pointsize", str(s["size"]),
                    "+antialias" if not s["smooth"] else "-antialias", "-background", s["paper"], "-fill", s["ink"],
                    f"label:{literal}", "-bordercolor", s["paper"], "-border", "6x4", "-depth", "8",
                    "-define", "png:exclude-chunk=pHYs", f"PNG24:{raw}"], check=True)
    for name, args in variants:
        subprocess.run([prepare, str(raw), str(img / f"{s['id']}.{name}.png"), *args], check=True)


with ThreadPoolExecutor(jobs) as pool:
    list(pool.map(render, samples))

# Whole-number enlargement: a box filter's area average is the one source pixel, as is the
# nearest one. Said in the table only when every prepared image shows it.
labels = {"raw": "raw crop"}
if mode == "filters" and all(
        (img / f"{s['id']}.box.png").read_bytes() == (img / f"{s['id']}.nearest.png").read_bytes() for s in samples):
    labels["box"] = "box (= nearest)"


# tesseract reads a list of images in one run, one page each, which spares loading its model
# per image; learning from one page to the next is turned off, so that each reading stands
# alone. One list per processor, one thread each: the results cannot depend on timing.
def recognise(chunk):
    index, files = chunk
    listing = work / f"list{index}.txt"
    listing.write_text("".join(f"{f}\n" for f in files), encoding="utf-8")
    out = subprocess.run(["tesseract", str(listing), "-", "-l", "eng", "--psm", "7",
                          "-c", "classify_enable_learning=0"],
                         capture_output=True, env={**os.environ, "OMP_THREAD_LIMIT": "1"}).stdout.decode("utf-8")
    pages = out.split("\f")[: len(files)]
    if len(pages) != len(files):
        sys.exit(f"tesseract gave {len(pages)} pages for {len(files)} images")
    return pages


files = [img / f"{s['id']}.{v}.png" for s in samples for v in names]
chunks = [(i, files[i::jobs]) for i in range(jobs)]
readings = {}
with ThreadPoolExecutor(jobs) as pool:
    for (_, chunk), pages in zip(chunks, pool.map(recognise, chunks)):
        readings.update(zip(chunk, pages))


def normalised(text):
    return " ".join(text.split())


def distance(a, b):
    row = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, cb in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (ca != cb))
    return row[-1]


rows = []
with open(work / "results.tsv", "w", encoding="utf-8") as out:
    out.write("id\tcategory\tpolarity\tcolours\tfamily\tsize\tvariant\taccuracy\texpected\trecognised\n")
    for s in samples:
        expected = normalised(s["text"])
        for v in names:
            got = normalised(readings[img / f"{s['id']}.{v}.png"])
            acc = 1 - distance(expected, got) / len(expected)
            rows.append({**s, "variant": v, "accuracy": acc, "exact": got == expected})
            out.write(f"{s['id']}\t{s['category']}\t{s['polarity']}\t{s['colours']}\t{s['family']}\t{s['size']}\t"
                      f"{v}\t{acc:.4f}\t{expected}\t{got}\n")


def mean(variant, keep):
    return statistics.fmean(r["accuracy"] for r in rows if r["variant"] == variant and keep(r))


groups = []
for category in dict.fromkeys(c[0] for c in colours):
    for polarity in ["dark on light", "light on dark"]:
        shown = sorted({s["colours"] + ("" if s["smooth"] else ", aliased") for s in samples
                        if s["category"] == category and s["polarity"] == polarity})
        groups.append((f"{category}, {polarity} ({'; '.join(shown)})",
                       lambda r, c=category, p=polarity: r["category"] == c and r["polarity"] == p))

print(f"Mean character accuracy by text colour (tesseract --psm 7, eng; {len(samples)} samples, "
      f"{len(fonts)} fonts, {sizes[0]}-{sizes[-1]} px)\n")
print("| text | samples | " + " | ".join(labels.get(v, v) for v in names) + " |")
print("|---|---:|" + "---:|" * len(names))
losses = {v: 0.0 for v in names}
for label, keep in groups:
    count = sum(1 for s in samples if keep(s))
    means = {v: mean(v, keep) for v in names}
    for v in names:
        losses[v] = max(losses[v], means["raw"] - means[v])
    print(f"| {label} | {count} | " + " | ".join(f"{means[v]:.3f}" for v in names) + " |")
overall = {v: mean(v, lambda r: True) for v in names}
print(f"| **all** | {len(samples)} | " + " | ".join(f"**{overall[v]:.3f}**" for v in names) + " |")
print("| largest loss against the raw crop | | " + " | ".join(
    "" if v == "raw" else f"{losses[v]:.3f}" for v in names) + " |")
print("| exact readings | | " + " | ".join(
    str(sum(r["exact"] for r in rows if r["variant"] == v)) for v in names) + " |")

print("\nBy font size (mean character accuracy)\n")
print("| variant | " + " | ".join(f"{z} px" for z in sizes) + " |")
print("|---|" + "---:|" * len(sizes))
for v in names:
    print(f"| {labels.get(v, v)} | " + " | ".join(f"{mean(v, lambda r, z=z: r['size'] == z):.3f}" for z in sizes) + " |")

# The choice the table supports: the best overall of those that lose at most a point on every
# text colour against the raw crop.
fair = [v for v in names[1:] if losses[v] <= 0.01]
if fair:
    best = max(fair, key=lambda v: overall[v])
    print(f"\nBest overall without losing more than 0.01 on any text: {best} ({overall[best]:.3f})")
else:
    print("\nEvery variant loses more than 0.01 on some text against the raw crop")
worst = min(r["accuracy"] for r in rows)
if worst < 0:
    print(f"\nNote: some readings are longer than the text itself (lowest accuracy {worst:.2f}); "
          "means include them as they are.")
