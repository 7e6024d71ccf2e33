"""A report page parsed as XML: its title, each chart's id and number of lines, each script's last line."""
import sys
import xml.etree.ElementTree as ElementTree

SVG, XHTML = "{http://www.w3.org/2000/svg}", "{http://www.w3.org/1999/xhtml}"
root = ElementTree.parse(sys.argv[1]).getroot()
print(root.find(f"{XHTML}head/{XHTML}title").text)
for chart in root.iter(f"{SVG}svg"):
    print(chart.get("data-chart"), len(chart.findall(f"{SVG}polyline")))
for pre in root.iter(f"{XHTML}pre"):
    if pre.get("class") == "script":
        print("script:", pre.text.splitlines()[-1])
