# The user manual: the Markdown chapters of docs/manual/ with the pictures of docs/screenshots/,
# built into one self-contained HTML file. The installer carries exactly this file and the Debian
# package ships it as its manual.html. The man pages of docs/man/ are packed beside it, gzipped as
# Debian keeps them.
#
# The manual is built with Debian's python3-markdown, which is a module of /usr/bin/python3 (the
# interpreter first on PATH may be another one): scripts/bootstrap installs it.
set(VIREO_MANUAL ${PROJECT_BINARY_DIR}/vireo-manual.html)
set(VIREO_SYSTEM_PYTHON /usr/bin/python3)
execute_process(COMMAND ${VIREO_SYSTEM_PYTHON} -c "import markdown"
  RESULT_VARIABLE vireo_markdown_missing OUTPUT_QUIET ERROR_QUIET)
if(vireo_markdown_missing)
  message(FATAL_ERROR "The manual needs ${VIREO_SYSTEM_PYTHON} with python3-markdown: run scripts/bootstrap")
endif()

file(GLOB vireo_manual_chapters CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual/*.md)
file(GLOB vireo_manual_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshots/*.png)
add_custom_command(OUTPUT ${VIREO_MANUAL}
  COMMAND ${VIREO_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/docs/manual/build_manual.py ${VIREO_MANUAL}
          ${PROJECT_VERSION}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual/build_manual.py ${vireo_manual_chapters} ${vireo_manual_pictures}
          ${PROJECT_SOURCE_DIR}/data/icons/scalable/quillmark-vireo.svg
  COMMENT "Building the user manual vireo-manual.html"
  VERBATIM)

# gzip -n keeps the file's name and time out of the archive, so the same page packs to the same bytes.
set(VIREO_MAN_PAGES)
foreach(page vireo.1 picmill.1)
  set(packed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${packed}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
    COMMENT "Packing the man page ${page}")
  list(APPEND VIREO_MAN_PAGES ${packed})
endforeach()

add_custom_target(vireo_manual ALL DEPENDS ${VIREO_MANUAL} ${VIREO_MAN_PAGES})
