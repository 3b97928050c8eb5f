# The Debian package quillmark-vireo, for a system-wide install: `cpack -G DEB` in the build folder
# (or scripts/build-package). It holds the two programs, the menu entry and its icons, the manual,
# the man pages and a systemd user unit; never vireo-setup, the per-user installer, nor anything of
# the tests. Everything it ships is installed as the component "vireo", and the package takes that
# component alone, whatever else the project may install.
include(GNUInstallDirs)

set(VIREO_PACKAGE quillmark-vireo)
set(VIREO_COMPONENT vireo)

install(TARGETS vireo picmill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${VIREO_COMPONENT})
install(FILES ${PROJECT_SOURCE_DIR}/data/quillmark-vireo.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${VIREO_COMPONENT})
foreach(size 16x16 32x32 48x48 64x64 128x128 256x256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}/quillmark-vireo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps COMPONENT ${VIREO_COMPONENT})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/scalable/quillmark-vireo.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT ${VIREO_COMPONENT})
# The window's Help button looks for the manual under exactly this name.
install(FILES ${VIREO_MANUAL} RENAME manual.html
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VIREO_PACKAGE} COMPONENT ${VIREO_COMPONENT})
install(FILES ${VIREO_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${VIREO_COMPONENT})
# systemd looks for user units in /usr/lib/systemd/user on every architecture, not in the
# multiarch library folder.
install(FILES ${PROJECT_SOURCE_DIR}/data/vireo.service
  DESTINATION lib/systemd/user COMPONENT ${VIREO_COMPONENT})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VIREO_PACKAGE})
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillmark <vireo@quillmark.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://quillmark.example/vireo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Personal Desktop Web Server")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};${VIREO_COMPONENT};/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME ${VIREO_PACKAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmark <vireo@quillmark.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the Description's first line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vireo shares folders of your disks with anyone who has a web browser. You
give each folder a short URL name and a set of permissions and start the
server from a desktop window or from a shell. Visitors browse the folders,
download files or whole folders as zip archives, upload files, look at
thumbnail pages of pictures, leave messages in a guestbook and talk in a
chat room. An IP filter, an automatic block list and password accounts
guard the site; several Vireo servers can form a web community.
.
The package holds the desktop program vireo (which also runs the server
without a window: vireo serve), the thumbnail generator picmill, the user
manual and a systemd user unit, vireo.service.")
# The libraries' packages come from the programs themselves (dpkg-shlibdeps, of dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# picmill reads WebP, TIFF and the other formats through Qt's image plugins; Help and Open hand
# files and addresses to the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, xdg-utils")
include(CPack)

# The package's own test: build it, look into it, and run what it installs.
if(VIREO_TESTS)
  enable_testing()
  add_test(NAME Package.Debian
    COMMAND ${VIREO_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/tests/package/package_test.py ${PROJECT_BINARY_DIR}
            ${PROJECT_VERSION} ${CMAKE_CPACK_COMMAND})
  set_tests_properties(Package.Debian PROPERTIES TIMEOUT 600 LABELS package)
  add_test(NAME Package.ManualCoversTheProgram
    COMMAND ${VIREO_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/tests/package/manual_test.py ${VIREO_MANUAL}
            $<TARGET_FILE:vireo> ${PROJECT_SOURCE_DIR})
  set_tests_properties(Package.ManualCoversTheProgram PROPERTIES TIMEOUT 120 LABELS package)
endif()
