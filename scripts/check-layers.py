#!/usr/bin/python3
"""Checks the layers of src/: no folder includes a higher one, and the libraries without widgets
(platform, the bases of core and backup, mail) neither include nor link Widgets, WebEngine or
PrintSupport. Prints every offence and exits non-zero when there is one."""

import argparse
import pathlib
import re
import subprocess
import sys

LAYERS = ["platform", "desktop", "controls", "core", "backup", "mail", "mailing", "addressbook", "app"]
WIDGET_FREE_LIBRARIES = ["kubplatform", "kubcorebase", "kubbackupbase", "kubmail"]
# Folders split into a base without widgets and the rest; src/CMakeLists.txt names the base.
SPLIT_FOLDERS = ["core", "backup"]
WIDGET_FREE_FOLDERS = ["platform", "mail"]
WIDGET_MODULES = ["QtWidgets", "QtPrintSupport", "QtWebEngineWidgets", "QtWebEngineCore"]
WIDGET_TARGET = re.compile(r"Qt6::(Widgets|PrintSupport|WebEngine\w*)")
WIDGET_SONAME = re.compile(r"libQt6(Widgets|PrintSupport|WebEngine\w*)\.so")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def base_names(source):
    """For each split folder, the files that build its widget-free base, as src/CMakeLists.txt
    names them."""
    text = (source / "CMakeLists.txt").read_text()
    bases = {}
    for folder in SPLIT_FOLDERS:
        match = re.search(rf"set\({folder}_base([^)]*)\)", text)
        bases[folder] = set(match.group(1).split()) if match else set()
    return bases


def widget_free(folder, stem, bases):
    return folder in WIDGET_FREE_FOLDERS or stem in bases.get(folder, set())


def widget_headers(qt_include):
    names = set()
    for module in WIDGET_MODULES:
        folder = qt_include / module
        if folder.is_dir():
            names.update(entry.name for entry in folder.iterdir())
    return names


def check_includes(source, qt_include):
    offences = []
    bases = base_names(source)
    forbidden_headers = widget_headers(qt_include) if qt_include else set()
    for layer in LAYERS:
        for path in sorted((source / layer).glob("*.[ch]*")):
            without_widgets = widget_free(layer, path.stem, bases)
            for bracket, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
                where = f"{path.relative_to(source)}: {name}"
                if bracket == "<":
                    if without_widgets and name.split("/")[-1] in forbidden_headers:
                        offences.append(f"{where}: widget header in a library without widgets")
                    continue
                folder, _, file = name.partition("/")
                if folder not in LAYERS:
                    continue
                if LAYERS.index(folder) > LAYERS.index(layer):
                    offences.append(f"{where}: include of the higher layer {folder}")
                elif without_widgets and not widget_free(folder, pathlib.Path(file).stem, bases):
                    offences.append(f"{where}: include of a widget part in a library without widgets")
    return offences


def check_links(links_file):
    direct = {}
    for line in links_file.read_text().splitlines():
        target, _, libraries = line.partition(":")
        direct[target.strip()] = [re.sub(r"^\$<LINK_ONLY:(.*)>$", r"\1", name) for name in libraries.split()]
    offences = []
    for library in WIDGET_FREE_LIBRARIES:
        seen, todo = set(), [library]
        while todo:
            current = todo.pop()
            for name in direct.get(current, []):
                if WIDGET_TARGET.fullmatch(name):
                    offences.append(f"{library} links {name} (through {current})")
                elif name in direct and name not in seen:
                    seen.add(name)
                    todo.append(name)
    return offences


def check_programs(programs):
    offences = []
    for program in programs:
        dynamic = subprocess.run(["readelf", "-d", program], capture_output=True, text=True, check=True).stdout
        for soname in WIDGET_SONAME.findall(dynamic):
            offences.append(f"{pathlib.Path(program).name} needs libQt6{soname}")
    return offences


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", type=pathlib.Path, required=True, help="the src folder")
    parser.add_argument("--qt-include", type=pathlib.Path, help="Qt's include folder")
    parser.add_argument("--links", type=pathlib.Path, help="'library: linked ...' lines from the build")
    parser.add_argument("--program", action="append", default=[], help="a program that must need no widgets")
    args = parser.parse_args()
    offences = check_includes(args.source, args.qt_include)
    if args.links:
        offences += check_links(args.links)
    offences += check_programs(args.program)
    for offence in offences:
        print(offence)
    if offences:
        sys.exit(1)
    print("layers: no offence")


if __name__ == "__main__":
    main()
