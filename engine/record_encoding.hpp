#pragma once
// What a search hands its output: the records as the result file's text,
// as int32 entries (k per record, native byte order), or nothing but their
// count per pass.

namespace kestrav::engine {

enum class RecordEncoding { Text, Entries, Count };

}  // namespace kestrav::engine
