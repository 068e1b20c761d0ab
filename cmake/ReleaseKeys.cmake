# The public keys whose signatures the launcher accepts on a release archive, compiled into it.
#
# SCF_RELEASE_PUBLIC_KEYS: minisign public keys (the base64 line of a .pub file, "RW…"), as a
# ;-separated list, so that a new key can be trusted beside the old one before releases move
# to it. SCF_DEMO_RELEASE_KEY: make a demo key pair without a password at build time in
# <build>/demo/keys (demo.key, demo.pub; never part of the source tree) and trust demo.pub too,
# so that the demo release host can offer signed demo releases. A build for players turns it off.
set(SCF_RELEASE_PUBLIC_KEYS "" CACHE STRING
  "Minisign public keys (base64 lines of .pub files) release archives may be signed with")
option(SCF_DEMO_RELEASE_KEY "Make a demo signing key pair in <build>/demo/keys and trust it" ON)

foreach(key IN LISTS SCF_RELEASE_PUBLIC_KEYS)
  if(NOT key MATCHES "^RW[A-Za-z0-9+/]+$")
    message(FATAL_ERROR "SCF_RELEASE_PUBLIC_KEYS: \"${key}\" is not a minisign public key.")
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 56)
    message(FATAL_ERROR "SCF_RELEASE_PUBLIC_KEYS: \"${key}\" is not a minisign public key.")
  endif()
endforeach()

if(NOT SCF_DEMO_RELEASE_KEY AND NOT SCF_RELEASE_PUBLIC_KEYS)
  message(WARNING "No release key is trusted: this launcher will refuse every update.")
endif()

set(SCF_RELEASE_KEYS_HEADER ${SCF_GENERATED_DIR}/release_keys.h)
set(SCF_DEMO_KEY_DIR ${CMAKE_BINARY_DIR}/demo/keys)
set(SCF_DEMO_PUBLIC_KEY "")
set(SCF_RELEASE_KEYS_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/release_keys_header.cmake)
if(SCF_DEMO_RELEASE_KEY)
  find_program(SCF_MINISIGN minisign)
  if(NOT SCF_MINISIGN)
    message(FATAL_ERROR "minisign is missing (for the demo signing key): ${SCF_SETUP_HINT}.")
  endif()
  set(SCF_DEMO_PUBLIC_KEY ${SCF_DEMO_KEY_DIR}/demo.pub)
  # Made once per build folder; deleting demo.pub makes a new pair.
  add_custom_command(
    OUTPUT ${SCF_DEMO_KEY_DIR}/demo.pub
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SCF_DEMO_KEY_DIR}
    COMMAND ${SCF_MINISIGN} -G -f -W -p ${SCF_DEMO_KEY_DIR}/demo.pub
      -s ${SCF_DEMO_KEY_DIR}/demo.key
    COMMENT "Making the demo release signing key pair in ${SCF_DEMO_KEY_DIR}"
    VERBATIM)
  list(APPEND SCF_RELEASE_KEYS_DEPENDS ${SCF_DEMO_PUBLIC_KEY})
endif()
add_custom_command(
  OUTPUT ${SCF_RELEASE_KEYS_HEADER}
  COMMAND ${CMAKE_COMMAND} "-DKEYS=${SCF_RELEASE_PUBLIC_KEYS}" -DDEMO_PUB=${SCF_DEMO_PUBLIC_KEY}
    -DOUT=${SCF_RELEASE_KEYS_HEADER} -P ${CMAKE_SOURCE_DIR}/cmake/release_keys_header.cmake
  DEPENDS ${SCF_RELEASE_KEYS_DEPENDS}
  COMMENT "Writing the trusted release keys"
  VERBATIM)

# libsodium: BLAKE2b and Ed25519 for the signatures. Debian's libsodium-dev on Linux; on Windows
# the static library cross-built by setup-deps.sh --windows.
if(WIN32)
  set(SCF_SODIUM_DIR ${SCF_DEPS_DIR}/win64/libsodium)
  if(NOT EXISTS ${SCF_SODIUM_DIR}/lib/libsodium.a)
    message(FATAL_ERROR "libsodium for Windows is missing: ${SCF_SETUP_HINT}.")
  endif()
  add_library(scf_sodium STATIC IMPORTED)
  set_target_properties(scf_sodium PROPERTIES
    IMPORTED_LOCATION ${SCF_SODIUM_DIR}/lib/libsodium.a
    INTERFACE_INCLUDE_DIRECTORIES ${SCF_SODIUM_DIR}/include
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC)
else()
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(SODIUM QUIET IMPORTED_TARGET libsodium)
  endif()
  if(NOT SODIUM_FOUND)
    message(FATAL_ERROR "libsodium's development files are missing: ${SCF_SETUP_HINT}.")
  endif()
  add_library(scf_sodium INTERFACE)
  target_link_libraries(scf_sodium INTERFACE PkgConfig::SODIUM)
endif()
