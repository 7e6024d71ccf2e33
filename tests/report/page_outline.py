"""Parses a report page as XML and prints its outline: the title, then one
line per chart with its id and the number of lines drawn in it."""
import sys
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
XHTML = "{http://www.w3.org/1999/xhtml}"

root = ElementTree.parse(sys.argv[1]).getroot()
print(root.find(f"{XHTML}head/{XHTML}title").text)
for chart in root.iter(f"{SVG}svg"):
    lines = chart.findall(f"{SVG}polyline")
    print(chart.get("data-chart"), len(lines))
for pre in root.iter(f"{XHTML}pre"):
    if pre.get("class") == "script":
        print("script:", pre.text.splitlines()[-1])
