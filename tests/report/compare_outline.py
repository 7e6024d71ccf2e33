"""A korbinet-compare result's page parsed as XML: its title, the table's labels, each chart's marks by class
and the verdicts beside the ratios."""
import collections
import sys
import xml.etree.ElementTree as ElementTree

SVG, XHTML = "{http://www.w3.org/2000/svg}", "{http://www.w3.org/1999/xhtml}"
MARKS = {"round", "round warmup", "round outlier", "median", "interval", "ratio", "one", "margin", "series"}
root = ElementTree.parse(sys.argv[1]).getroot()
print(root.find(f"{XHTML}head/{XHTML}title").text)
figures = root.find(f".//{XHTML}table[@class='figures']")
print("labels:", " | ".join(row.findall(f"{XHTML}td")[1].text for row in figures.findall(f"{XHTML}tr")[1:]))
for chart in root.iter(f"{SVG}svg"):
    marks = collections.Counter(e.get("class") for e in chart.iter() if e.get("class") in MARKS)
    print(" ".join([chart.get("data-chart")] + [f"{k}={v}" for k, v in sorted(marks.items())]))
    for text in chart.iter(f"{SVG}text"):
        if text.get("class") == "verdict":
            print("  verdict:", text.text)
for pre in root.iter(f"{XHTML}pre"):
    print("error:", pre.text.splitlines()[0])
