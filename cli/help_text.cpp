#include "cli/commands.hpp"

namespace kestrav::cli {

const char* helpText() {
  return R"(usage: kestrav run (all | N...) [--out DIR] [options]
       kestrav search (--gram CODE | --blocks POS:CODE...) --layout LAYOUT
                      --total T [--multipliers M,M,...] [--out FILE] [options]
       kestrav verify [--quiet] [--checks DIR] DIR [N...]

run      runs catalogue programs and writes OutputPartN.txt into DIR (default:
         the working directory), byte for byte what kestravN writes. One
         summary line per program (records per pass, seconds) on stdout.
search   the same search for a model given here; records go to FILE or stdout.
         --gram CODE          one block over entries 1..k (k = code size)
         --blocks POS:CODE    a block on the listed entries, e.g. 1-4:222/22/2;
                              repeat it (or separate blocks by blanks) so that
                              the blocks cover 1..k once; a tuple is a record
                              when every block is exactly zero
         --layout L           BothEnds (m,m*c..,m)  HeadOnly (m,m*c..)
                              TailOnly (m*c..,m)    Bare (m*c..)
         --total T            entries sum to T; each pass searches the
                              compositions of T/m - pinned
         --multipliers LIST   one pass per multiplier, each dividing T (default 1)
         --count              print the compositions per pass and in all, and
                              the expected time; search nothing
verify   checks OutputPartN.txt in DIR (all rows, or N...) against the check
         values and checksums; status 1 if any file is missing or wrong.

options  --shard i/N    only the i-th of N contiguous slices of the work; the
                        N outputs concatenated in order are the whole file
                        (run writes OutputPartN.shard-i-of-N.txt)
         --threads N    worker threads (default: one per usable processor)
         --progress     progress on stderr (default: when stderr is a terminal)
         --simd LEVEL   scalar, sse2, avx2 or avx512 (default: the widest here)
         --tail L       entries evaluated in bulk, 1..4 (default 4)
         --catalogue F  run: read the catalogue from F, not the built-in one
         --sync         fsync each result file and its directory when it is
                        complete

Zero means exactly zero: values are computed exactly (32 or 64 bits, chosen
from a bound on the model). Bad arguments: one line on stderr, status 2.
)";
}

}  // namespace kestrav::cli
