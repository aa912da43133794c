#include "core/result_file.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace kestrav {
namespace {

void reportFailure(std::int32_t programNumber, const char* action, int savedErrno) {
  std::cerr << "kestrav" << programNumber << ": cannot " << action << ' ' << resultFileName(programNumber)
            << ": " << (savedErrno != 0 ? std::strerror(savedErrno) : "input/output error") << '\n';
}

}  // namespace

std::string resultFileName(std::int32_t programNumber) {
  return "OutputPart" + std::to_string(programNumber) + ".txt";
}

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
