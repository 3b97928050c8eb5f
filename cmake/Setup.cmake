# vireo-setup, the per-user installer: one program that carries vireo, picmill, the manual and the
# menu icons inside it as Qt resources (below ":/payload") and writes them out.
vireo_layer(setup vireo_settings Qt6::Widgets)

# The payload is gathered in one folder first, so the resource file can name every file by a
# fixed path and the tests can install from the very same files without the resources.
set(VIREO_SETUP_PAYLOAD ${CMAKE_CURRENT_BINARY_DIR}/setup-payload)
set(setup_manual ${PROJECT_BINARY_DIR}/vireo-manual.html)
if(TARGET vireo_manual)
  set(setup_manual_target vireo_manual)
else()
  # Without the manual's build an empty page stands in for it.
  if(NOT EXISTS ${setup_manual})
    file(WRITE ${setup_manual} "")
  endif()
  set(setup_manual_target)
endif()

file(GLOB_RECURSE setup_icons RELATIVE ${PROJECT_SOURCE_DIR}/data/icons CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/data/icons/*/quillmark-vireo.*)
set(setup_payload_files ${VIREO_SETUP_PAYLOAD}/vireo ${VIREO_SETUP_PAYLOAD}/picmill
  ${VIREO_SETUP_PAYLOAD}/vireo-manual.html)
set(setup_qrc_entries "")
foreach(name vireo picmill vireo-manual.html)
  string(APPEND setup_qrc_entries "    <file alias=\"${name}\">setup-payload/${name}</file>\n")
endforeach()
set(setup_icon_copies "")
foreach(icon ${setup_icons})
  list(APPEND setup_payload_files ${VIREO_SETUP_PAYLOAD}/icons/${icon})
  list(APPEND setup_icon_copies COMMAND ${CMAKE_COMMAND} -E copy
    ${PROJECT_SOURCE_DIR}/data/icons/${icon} ${VIREO_SETUP_PAYLOAD}/icons/${icon})
  string(APPEND setup_qrc_entries "    <file alias=\"icons/${icon}\">setup-payload/icons/${icon}</file>\n")
endforeach()
list(TRANSFORM setup_icons PREPEND ${PROJECT_SOURCE_DIR}/data/icons/ OUTPUT_VARIABLE setup_icon_sources)

add_custom_command(OUTPUT ${setup_payload_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VIREO_SETUP_PAYLOAD}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vireo> $<TARGET_FILE:picmill> ${setup_manual}
    ${VIREO_SETUP_PAYLOAD}
  ${setup_icon_copies}
  # Users get the programs without their debugging information, as the Debian package has them.
  COMMAND ${CMAKE_STRIP} --strip-debug ${VIREO_SETUP_PAYLOAD}/vireo ${VIREO_SETUP_PAYLOAD}/picmill
  # Copies keep their sources' times; newer than every source, they are not made again for nothing.
  COMMAND ${CMAKE_COMMAND} -E touch ${setup_payload_files}
  DEPENDS vireo picmill ${setup_manual} ${setup_manual_target} ${setup_icon_sources}
  COMMENT "Gathering the installer's payload"
  VERBATIM)

set(setup_qrc ${CMAKE_CURRENT_BINARY_DIR}/vireo_setup_payload.qrc)
file(CONFIGURE OUTPUT ${setup_qrc} CONTENT
  "<RCC>\n  <qresource prefix=\"/payload\">\n${setup_qrc_entries}  </qresource>\n</RCC>\n")
# The programs are tens of megabytes: rcc puts them straight into an object file rather than into
# C++ source for the compiler to read.
qt_add_big_resources(setup_payload_objects ${setup_qrc})

add_executable(vireo-setup src/setup/main.cpp ${setup_payload_objects})
target_link_libraries(vireo-setup PRIVATE vireo_setup)

# The installer's tests (tests/setup) drive the dialog with QtTest and run vireo-setup itself.
# tests/ is added after this file, so its program is given what it needs once the whole tree is read.
function(vireo_setup_test_program)
  if(TARGET vireo_tests_setup)
    target_link_libraries(vireo_tests_setup PRIVATE vireo_setup Qt6::Test)
    add_dependencies(vireo_tests_setup vireo-setup)
    target_compile_definitions(vireo_tests_setup PRIVATE VIREO_SETUP_BINARY="$<TARGET_FILE:vireo-setup>"
      VIREO_SETUP_PAYLOAD="${VIREO_SETUP_PAYLOAD}")
  endif()
endfunction()
if(VIREO_TESTS)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  cmake_language(DEFER CALL vireo_setup_test_program)
endif()
