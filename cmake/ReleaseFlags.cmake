# SPDX-FileCopyrightText: 2026 The Sealmill developers
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The compiler and linker flags of the builds people run and install: the
# hardening Debian gives its own packages, as dpkg-buildflags hands it out,
# and no build folder names in the binaries so that two builds of one commit
# in different places come out the same.

include(CheckCXXCompilerFlag)

# Folders become "." in file names the compiler writes into objects (debug
# information, __FILE__). The build folder is named last so that it wins when
# it lies inside the source folder.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
# moc's output includes each header by its name in an include folder rather
# than by a path up from the build folder, which differs with its place.
set(CMAKE_AUTOMOC_PATH_PREFIX ON)
# Compiled-in resources without the files' times (rcc's first format has
# none), whenever and from whatever checkout they are built.
set(CMAKE_AUTORCC_OPTIONS --format-version 1)

# _FORTIFY_SOURCE needs an optimised build, so a Debug build goes without.
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(harden_default OFF)
else()
  set(harden_default ON)
endif()
option(SEALMILL_HARDEN "Compile and link with Debian's hardening flags (dpkg-buildflags)"
       ${harden_default})
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT SEALMILL_HARDEN OR NOT DPKG_BUILDFLAGS)
  return()
endif()

# dpkg-buildflags <variable>: its value as a list, with every hardening
# feature on; the build type keeps choosing -O and -g, and the path maps
# above replace dpkg's own, which name only the folder it runs in.
function(sealmill_dpkg_flags variable output)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
            "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
            ${DPKG_BUILDFLAGS} --get ${variable}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
  set(${output} ${flags} PARENT_SCOPE)
endfunction()

sealmill_dpkg_flags(CPPFLAGS cppflags)
sealmill_dpkg_flags(CXXFLAGS cxxflags)
sealmill_dpkg_flags(LDFLAGS ldflags)

# Older dpkg (Debian 12's 1.21) fortifies at level 2 only; GCC 12 and the C
# library since 2.34 check more calls at level 3, with sizes known only at
# run time.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
  list(TRANSFORM cppflags REPLACE "^-D_FORTIFY_SOURCE=2$" "-D_FORTIFY_SOURCE=3")
endif()

# Nor does it know stack clash or control-flow protection; they come from
# the compiler where dpkg leaves them out.
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "SEALMILL_HAS${flag}" supported)
  if(NOT flag IN_LIST cxxflags)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
      list(APPEND cxxflags ${flag})
    endif()
  endif()
endforeach()

# A program is marked ready for shadow stacks and indirect branch tracking
# only when every object linked into it is, and Debian 12's C library start
# files (Scrt1.o, crti.o, crtn.o) carry no mark. The linker sets it anyway:
# every object of the program's own earns it with -fcf-protection, and the
# start files' few lines use only plain calls and returns, which is all a
# shadow stack needs; the landing pads they lack (in _init and _fini) matter
# only to branch tracking, which Linux does not enforce for programs.
if("-fcf-protection" IN_LIST cxxflags)
  list(APPEND ldflags -Wl,-z,ibt -Wl,-z,shstk)
endif()

add_compile_options(${cppflags} ${cxxflags})
add_link_options(${ldflags})
