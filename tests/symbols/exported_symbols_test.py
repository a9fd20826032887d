"""The shared library exports its public API only.

Usage: exported_symbols_test.py <path of the shared library> [objdump]

A Windows DLL's exports are read from its export table with (MinGW's) objdump.

Lists the defined dynamic symbols and fails on any symbol of the library's internals
(namespace detail), on any RapidXML symbol other than rapidxml::parse_error_handler
(which hosts that parse through the library's headers link to), and when the count
grows past a bound that leaves room for new operations but not for internals leaking
out wholesale."""

import re
import subprocess
import sys

# About 800 today (the public classes, their members and the standard library templates
# they instantiate); with everything exported by default it was over 1400.
MAX_EXPORTED = 3000
ALLOWED_RAPIDXML = {"rapidxml::parse_error_handler(char const*, void*)"}


def exported_symbols(library, objdump):
    """The defined dynamic symbols as (mangled, demangled) pairs."""
    if library.lower().endswith(".dll"):
        # The export table: "\t[ n] name" lines after "[Ordinal/Name Pointer] Table".
        listing = subprocess.run([objdump, "-p", library], capture_output=True, text=True, check=True).stdout
        table = listing.split("[Ordinal/Name Pointer] Table", 1)[-1]
        mangled = [match.group(1) for match in re.finditer(r"^\s*\[\s*\d+\]\s+(\S+)$", table, re.M)]
    else:
        listing = subprocess.run(["nm", "-D", "--defined-only", library],
                                 capture_output=True, text=True, check=True).stdout
        mangled = [line.split()[-1] for line in listing.splitlines() if len(line.split()) == 3]
    demangled = subprocess.run(["c++filt"], input="\n".join(mangled) + "\n",
                               capture_output=True, text=True, check=True).stdout.splitlines()
    return list(zip(mangled, demangled))


# A name of namespace rapidxml: _ZN8rapidxml..., with a const qualifier, or a guard
# variable, typeinfo or vtable of one.
RAPIDXML_NAME = re.compile(r"^_Z(?:GV|T[IVST])?N[rVK]*8rapidxml")
# A name with a "detail" namespace anywhere in it (std::__detail is the standard library's).
DETAIL_NAME = re.compile(r"(?<![\w])detail::")


def problems(symbols):
    found = []
    for mangled, demangled in symbols:
        if DETAIL_NAME.search(demangled):
            found.append("internal symbol exported: " + demangled)
        elif RAPIDXML_NAME.match(mangled) and demangled not in ALLOWED_RAPIDXML:
            found.append("RapidXML symbol exported: " + demangled)
    if len(symbols) > MAX_EXPORTED:
        found.append(f"{len(symbols)} symbols exported, more than the bound of {MAX_EXPORTED}")
    return found


def main():
    symbols = exported_symbols(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "objdump")
    print(f"{len(symbols)} exported symbols (bound {MAX_EXPORTED})")
    found = problems(symbols)
    for problem in found:
        print(problem)
    if not any(demangled in ALLOWED_RAPIDXML for _, demangled in symbols):
        found.append("rapidxml::parse_error_handler is not exported")
        print(found[-1])
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
