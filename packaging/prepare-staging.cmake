# SPDX-FileCopyrightText: 2026 The Sealmill developers
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Run by CPack on the staged files before it packs them: the programs are
# stripped as dh_strip strips them, without the compiler's .comment and
# .note sections, and every file and folder takes the time of the source
# (SOURCE_DATE_EPOCH, as ./dev sets it) instead of the time it was built.

file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER programs INCLUDE REGEX "/bin/[^/]+$")
if(NOT programs)
  message(FATAL_ERROR "no programs to strip in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(
    COMMAND "${CPACK_SEALMILL_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(
    COMMAND find "${CPACK_TEMPORARY_DIRECTORY}" -newermt "@$ENV{SOURCE_DATE_EPOCH}"
            -exec touch --no-dereference --date=@$ENV{SOURCE_DATE_EPOCH} {} +
    COMMAND_ERROR_IS_FATAL ANY)
endif()
