# Builds the Ruby extensions for the modeller's own Ruby on Windows, from the headers and import
# libraries its maker publishes (the SDK folder holds include/<major.minor>/win32_x64 and
# lib/x64-*-ruby<major><minor>0.lib). Used by a MinGW-w64 cross build:
#
#   cmake -S . -B build-sdk-2.7 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
#     -DVISTREL_BUILD_RUBY=ON -DVISTREL_MODELLER_RUBY=2.7 [-DVISTREL_MODELLER_RUBY_SDK=<folder>]
#
# The SDK's ruby/config.h is the Microsoft compiler's. A GCC-compatible copy is written into the
# build folder and found before the SDK's own: the compiler-version check goes, MinGW's struct
# timezone is used, and every Microsoft-only construct is mapped to GCC's equivalent, alignment
# and packing above all, as they decide the layout of the structs the extension shares with Ruby.

set(VISTREL_MODELLER_RUBY_SDK "${PROJECT_SOURCE_DIR}/../shared/modeller-ruby-sdk" CACHE PATH
    "Folder of the modeller maker's Ruby headers and import libraries")
get_filename_component(vistrel_sdk "${VISTREL_MODELLER_RUBY_SDK}" ABSOLUTE)

if(NOT MINGW)
  message(FATAL_ERROR "VISTREL_MODELLER_RUBY needs a MinGW-w64 cross build "
                      "(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake)")
endif()
if(NOT VISTREL_MODELLER_RUBY MATCHES "^([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VISTREL_MODELLER_RUBY=${VISTREL_MODELLER_RUBY}: expected major.minor")
endif()
set(vistrel_sdk_major ${CMAKE_MATCH_1})
set(vistrel_sdk_minor ${CMAKE_MATCH_2})
set(vistrel_sdk_headers "${vistrel_sdk}/include/${VISTREL_MODELLER_RUBY}/win32_x64")
file(GLOB vistrel_sdk_library
     "${vistrel_sdk}/lib/x64-*-ruby${vistrel_sdk_major}${vistrel_sdk_minor}0.lib")
if(NOT EXISTS "${vistrel_sdk_headers}/ruby/config.h" OR NOT vistrel_sdk_library)
  message(FATAL_ERROR "no Ruby ${VISTREL_MODELLER_RUBY} for Windows in the modeller's SDK "
                      "${vistrel_sdk} (VISTREL_MODELLER_RUBY_SDK): expected "
                      "include/${VISTREL_MODELLER_RUBY}/win32_x64/ruby/config.h and "
                      "lib/x64-*-ruby${vistrel_sdk_major}${vistrel_sdk_minor}0.lib")
endif()
# The DLL the extension will import, e.g. x64-ucrt-ruby320.dll.
get_filename_component(VISTREL_MODELLER_RUBY_DLL "${vistrel_sdk_library}" NAME_WE)
set(VISTREL_MODELLER_RUBY_DLL "${VISTREL_MODELLER_RUBY_DLL}.dll")

file(READ "${vistrel_sdk_headers}/ruby/config.h" config)
# The Microsoft compiler's version check.
string(REGEX REPLACE "#if [^\n]*_MSC_VER[^\n]*\n#error[^\n]*\n#endif\n" "" config "${config}")
# Macros whose Microsoft definitions GCC cannot read or would silently ignore, with GCC's.
set(gcc_definitions
  "NORETURN(x)=__attribute__((__noreturn__)) x"
  "DEPRECATED(x)=__attribute__((__deprecated__)) x"
  "DEPRECATED_TYPE(mesg, x)=x __attribute__((__deprecated__ mesg))"
  "RUBY_CXX_DEPRECATED(mesg)=__attribute__((__deprecated__(mesg)))"
  "NOINLINE(x)=__attribute__((__noinline__)) x"
  "ALWAYS_INLINE(x)=__attribute__((__always_inline__)) x"
  "UNREACHABLE=__builtin_unreachable()"
  "ASSUME(x)=((x) ? (void)0 : __builtin_unreachable())"
  "PACKED_STRUCT(x)=x __attribute__((__packed__))"
  "RUBY_ALIGNAS(n)=__attribute__((__aligned__(n)))"
  "RUBY_ALIGNOF=__alignof__")
foreach(entry IN LISTS gcc_definitions)
  string(FIND "${entry}" "=" split)
  string(SUBSTRING "${entry}" 0 ${split} name)
  math(EXPR split "${split} + 1")
  string(SUBSTRING "${entry}" ${split} -1 value)
  string(REGEX REPLACE "\\(.*" "" bare_name "${name}")
  string(REGEX REPLACE "#define ${bare_name}[ (][^\n]*\n" "#define ${name} ${value}\n"
         config "${config}")
endforeach()
# GCC has no __assume; MinGW's headers define ssize_t and struct timezone themselves.
string(REGEX REPLACE "#define (HAVE___ASSUME|ssize_t) [^\n]*\n" "" config "${config}")
string(REPLACE "#endif /* INCLUDE_RUBY_CONFIG_H */" [=[
/* GCC (MinGW-w64) in place of the Microsoft compiler. */
#define HAVE_STRUCT_TIMEZONE 1
#define HAVE_BUILTIN___BUILTIN_CONSTANT_P 1
#define HAVE_STMT_AND_DECL_IN_EXPR 1
#endif /* INCLUDE_RUBY_CONFIG_H */]=] config "${config}")
# Anything of the Microsoft compiler left would be dropped or misread by GCC.
string(REGEX REPLACE "//[^\n]*" "" code "${config}")
string(REGEX MATCH "__declspec\\((align|noreturn|deprecated|noinline)|__pragma|__assume|__forceinline|__alignof[^_]|#error|_MSC_VER"
       leftover "${code}")
if(leftover)
  message(FATAL_ERROR "${vistrel_sdk_headers}/ruby/config.h: '${leftover}' has no GCC mapping")
endif()
set(vistrel_sdk_config "${CMAKE_BINARY_DIR}/modeller-ruby-${VISTREL_MODELLER_RUBY}")
file(CONFIGURE OUTPUT "${vistrel_sdk_config}/ruby/config.h" CONTENT "${config}" @ONLY)

# find_package(Ruby) reports these: the GCC config.h first, then the SDK's headers.
set(Ruby_INCLUDE_DIR "${vistrel_sdk_config}" CACHE PATH "" FORCE)
set(Ruby_CONFIG_INCLUDE_DIR "${vistrel_sdk_headers}" CACHE PATH "" FORCE)
set(Ruby_LIBRARY "${vistrel_sdk_library}" CACHE FILEPATH "" FORCE)
set(Ruby_VERSION_MAJOR ${vistrel_sdk_major} CACHE STRING "" FORCE)
set(Ruby_VERSION_MINOR ${vistrel_sdk_minor} CACHE STRING "" FORCE)
set(Ruby_VERSION_PATCH 0 CACHE STRING "" FORCE)
message(STATUS "Ruby extensions build against the modeller's Ruby ${VISTREL_MODELLER_RUBY} "
               "(${VISTREL_MODELLER_RUBY_DLL}) from ${vistrel_sdk}")

# A Ruby on the Universal C Runtime (3.2 on): the extension uses the same C runtime, so that
# nothing it hands Ruby or gets from it (errno, FILE *, memory, locale) belongs to another one.
# Debian's MinGW-w64 defaults to msvcrt.dll: the compiler driver links -lmsvcrt. A folder searched
# before the toolchain's own holds a libmsvcrt.a that is its libucrt.a, so that name resolves to
# the UCRT. The code is compiled as the toolchain's own static libraries (libstdc++, libmingwex)
# were, without _UCRT, which would change types they share with it (mbstate_t in the streams).
# The static threads library calls msvcrt's _setjmp, which the UCRT names __intrinsic_setjmp.
if(VISTREL_MODELLER_RUBY_DLL MATCHES "-ucrt-")
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libucrt.a
                  OUTPUT_VARIABLE ucrt_library OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${ucrt_library}" OR NOT EXISTS "${ucrt_library}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no libucrt.a for a Ruby on the UCRT")
  endif()
  set(ucrt_folder "${CMAKE_BINARY_DIR}/ucrt-as-msvcrt")
  file(MAKE_DIRECTORY "${ucrt_folder}")
  configure_file("${ucrt_library}" "${ucrt_folder}/libmsvcrt.a" COPYONLY)
  add_link_options("-L${ucrt_folder}" "-Wl,--defsym,_setjmp=__intrinsic_setjmp")
endif()
