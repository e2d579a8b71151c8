#!/usr/bin/env python3
"""Turns the manual pages in docs/man/*.md into man(7) pages.

The Markdown is a small fixed subset, so the pages read well on GitHub-like viewers and in
man alike:
  # name(section) -- one-line description      the title line, first
  ## HEADING / ### Subheading                  sections
  blank-line separated paragraphs
  - item                                       bullet lists
  `term`                                       a term line directly followed by
  :   definition                               its definition (option tables)
  ```                                          literal blocks
  `code`, **bold**, *italic*, [text](url)      inline
Usage: mdman.py INPUT.md OUTPUT VERSION
"""
import re
import sys


def escape(text):
    text = text.replace("\\", "\\e")
    return text.replace("-", "\\-")


def inline(text):
    out = []
    pos = 0
    pattern = re.compile(r"`([^`]+)`|\*\*([^*]+)\*\*|\*([^*]+)\*|\[([^\]]+)\]\(([^)]+)\)")
    for m in pattern.finditer(text):
        out.append(escape(text[pos:m.start()]))
        if m.group(1) is not None:
            out.append("\\fB" + escape(m.group(1)) + "\\fR")
        elif m.group(2) is not None:
            out.append("\\fB" + escape(m.group(2)) + "\\fR")
        elif m.group(3) is not None:
            out.append("\\fI" + escape(m.group(3)) + "\\fR")
        else:
            out.append(escape(m.group(4)))
        pos = m.end()
    out.append(escape(text[pos:]))
    line = "".join(out)
    # A line starting with a dot or a quote would be read as a request.
    if line.startswith(".") or line.startswith("'"):
        line = "\\&" + line
    return line


def convert(lines, version):
    out = []
    title = re.match(r"#\s+([\w.-]+)\((\d)\)\s+--\s+(.*)", lines[0]) if lines else None
    if not title:
        raise SystemExit("the first line must be: # name(section) -- description")
    name, section, description = title.groups()
    out.append('.TH "%s" "%s" "" "%s %s" "User Commands"' % (name.upper(), section, name.split("-")[0], version))
    out.append(".SH NAME")
    out.append("%s \\- %s" % (escape(name), inline(description)))
    paragraph = []
    in_code = False
    in_list = False

    def flush():
        nonlocal paragraph
        if paragraph:
            out.append(".PP")
            out.append(inline(" ".join(paragraph)))
            paragraph = []

    i = 1
    while i < len(lines):
        line = lines[i].rstrip("\n")
        i += 1
        if in_code:
            if line.startswith("```"):
                out.append(".fi")
                out.append(".RE")
                in_code = False
            else:
                out.append(("\\&" if line.startswith((".", "'")) else "") + line.replace("\\", "\\e"))
            continue
        if line.startswith("```"):
            flush()
            out.append(".RS 4")
            out.append(".nf")
            in_code = True
            continue
        if not line.strip():
            flush()
            in_list = False
            continue
        if line.startswith("### "):
            flush()
            out.append(".SS " + inline(line[4:]))
            continue
        if line.startswith("## "):
            flush()
            out.append(".SH " + inline(line[3:].upper()))
            continue
        if line.startswith("- "):
            flush()
            out.append(".IP \\(bu 2")
            out.append(inline(line[2:]))
            in_list = True
            continue
        if in_list and line.startswith("  "):
            out.append(inline(line.strip()))
            continue
        if i < len(lines) and lines[i].startswith(":   "):
            flush()
            out.append(".TP")
            out.append(inline(line))
            while i < len(lines) and (lines[i].startswith(":   ") or lines[i].startswith("    ")):
                out.append(inline(lines[i][4:].rstrip("\n")))
                i += 1
            continue
        paragraph.append(line.strip())
    flush()
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 4:
        raise SystemExit("usage: mdman.py INPUT.md OUTPUT VERSION")
    with open(sys.argv[1], encoding="utf-8") as f:
        text = convert(f.readlines(), sys.argv[3])
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
