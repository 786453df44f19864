# Debian packages the project builds on (installed by scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
find_package(OpenSSL 3 REQUIRED)
find_package(Threads REQUIRED)

# libcups ships no pkg-config file on Debian 12; cups-config is its interface.
find_program(CUPS_CONFIG cups-config REQUIRED)
execute_process(COMMAND ${CUPS_CONFIG} --serverbin OUTPUT_VARIABLE NX_CUPS_SERVERBIN OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CUPS_CONFIG} --datadir OUTPUT_VARIABLE NX_CUPS_DATADIR OUTPUT_STRIP_TRAILING_WHITESPACE)
find_library(CUPS_LIBRARY cups REQUIRED)
find_path(CUPS_INCLUDE_DIR cups/cups.h REQUIRED)
add_library(nx_cups INTERFACE)
target_link_libraries(nx_cups INTERFACE ${CUPS_LIBRARY})
target_include_directories(nx_cups SYSTEM INTERFACE ${CUPS_INCLUDE_DIR})
# The PPD and raster APIs are deprecated upstream but are the print system's own interface.
target_compile_options(nx_cups INTERFACE -Wno-deprecated-declarations)

pkg_check_modules(QPDF REQUIRED IMPORTED_TARGET libqpdf)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
find_package(nlohmann_json 3 REQUIRED)

if(NX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(NX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
