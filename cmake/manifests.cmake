# Manifests beside result files (FILE.json: the search, the counts and the
# SHA-256 of FILE) need a JSON library and libcrypto. Optional: without them
# (KESTRAV_MANIFESTS AUTO) everything else builds, the command writes no
# manifest and refuses join and verify FILE; ON makes their absence an error.
set(KESTRAV_MANIFESTS AUTO CACHE STRING
  "Manifests beside result files: ON, OFF, or AUTO (when nlohmann-json and OpenSSL are found)")
set_property(CACHE KESTRAV_MANIFESTS PROPERTY STRINGS AUTO ON OFF)

set(KESTRAV_MANIFESTS_ENABLED OFF)
if(KESTRAV_MANIFESTS)  # ON or AUTO
  find_package(nlohmann_json 3 QUIET)
  find_package(OpenSSL QUIET COMPONENTS Crypto)
  set(kestrav_manifests_missing "")
  if(NOT nlohmann_json_FOUND)
    list(APPEND kestrav_manifests_missing nlohmann-json3-dev)
  endif()
  if(OpenSSL_FOUND)
    # A cross build (i686, aarch64) may find the host's libcrypto, which
    # does not link into its programs: only one that links counts.
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_LIBRARIES OpenSSL::Crypto)
    set(CMAKE_REQUIRED_QUIET ON)
    check_cxx_source_compiles("#include <openssl/evp.h>
      int main() { return EVP_sha256() == nullptr; }" KESTRAV_LIBCRYPTO_LINKS)
    unset(CMAKE_REQUIRED_LIBRARIES)
    unset(CMAKE_REQUIRED_QUIET)
  endif()
  if(NOT KESTRAV_LIBCRYPTO_LINKS)
    list(APPEND kestrav_manifests_missing libssl-dev)
  endif()
  if(kestrav_manifests_missing)
    list(JOIN kestrav_manifests_missing " and " kestrav_manifests_packages)
    if(NOT KESTRAV_MANIFESTS STREQUAL "AUTO")
      message(FATAL_ERROR "KESTRAV_MANIFESTS is ${KESTRAV_MANIFESTS} but manifests cannot be built "
        "(Debian: ${kestrav_manifests_packages})")
    endif()
    message(STATUS "Manifests: not built, results get no FILE.json and join and verify FILE are "
      "unavailable (Debian: ${kestrav_manifests_packages})")
  else()
    set(KESTRAV_MANIFESTS_ENABLED ON)
  endif()
endif()
