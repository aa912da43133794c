#include "core/result_file.hpp"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "core/record_format.hpp"

namespace kestrav {
namespace {

void reportFailure(std::int32_t programNumber, const char* action, int savedErrno) {
  std::cerr << programName(programNumber) << ": cannot " << action << ' ' << resultFileName(programNumber)
            << ": " << (savedErrno != 0 ? std::strerror(savedErrno) : "input/output error") << '\n';
}

}  // namespace

void announceRun(std::int32_t programNumber) {
  std::cout << "Writing partitions to the file: " << resultFileName(programNumber) << std::endl;
}

bool openResultFile(std::ofstream& file, std::int32_t programNumber) {
  errno = 0;
  file.open(resultFileName(programNumber), std::ios::out | std::ios::trunc);
  if (file.is_open()) return true;
  reportFailure(programNumber, "open", errno);
  return false;
}

void failResultWrite(std::int32_t programNumber, int savedErrno) {
  reportFailure(programNumber, "write", savedErrno);
  std::exit(1);
}

void writeRecordValues(std::ofstream& file, const std::int32_t* values, std::size_t count,
                       std::int32_t programNumber) {
  // A value takes at most 11 characters; a record of up to 20 values is
  // written in one piece.
  char line[256];
  char* end = line;
  for (std::size_t i = 0; i < count; ++i) {
    if (line + sizeof line - end < 13) {
      file.write(line, end - line);
      end = line;
    }
    end = std::to_chars(end, line + sizeof line, values[i]).ptr;
    *end++ = kEntryEnd;
  }
  *end++ = kRecordEnd;
  file.write(line, end - line);
  file.flush();
  if (!file) failResultWrite(programNumber, errno);
}

int finishRun(std::ofstream& file, std::int32_t programNumber) {
  errno = 0;
  file.close();
  if (file.fail()) {
    reportFailure(programNumber, "write", errno);
    return 1;
  }
  std::cout << "Finished. \n";
  std::cout << "\n";
  return 0;
}

}  // namespace kestrav
