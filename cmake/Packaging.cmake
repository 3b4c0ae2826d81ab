# The installed layout and the Debian package.
#
# The program finds what it ships relative to itself (../share/kurumin), so the
# destinations below are fixed rather than taken from GNUInstallDirs.

set(KURUMIN_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(KURUMIN_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
set(KURUMIN_DOC_DIR share/doc/kurumin)
# Whatever the umask of the person building: lintian wants 0755 folders.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kurumin RUNTIME DESTINATION bin)
# What strip alone leaves and Debian's own packages drop.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/kurumin\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${KURUMIN_PACKAGING_DIR}/kurumin.desktop DESTINATION share/applications)
install(FILES ${KURUMIN_PACKAGING_DIR}/kurumin.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${KURUMIN_PACKAGING_DIR}/copyright DESTINATION ${KURUMIN_DOC_DIR})

set(generated)

find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${KURUMIN_GENERATED_DIR}/icons/${size}x${size}/kurumin.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KURUMIN_GENERATED_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KURUMIN_PACKAGING_DIR}/kurumin.svg
      DEPENDS ${KURUMIN_PACKAGING_DIR}/kurumin.svg VERBATIM)
    list(APPEND generated ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: only the scalable icon is installed")
endif()

# The manual page and the software centres' entry carry the project's version.
configure_file(${KURUMIN_PACKAGING_DIR}/kurumin.1 ${KURUMIN_GENERATED_DIR}/kurumin.1 @ONLY)
configure_file(${KURUMIN_PACKAGING_DIR}/org.example.kurumin.metainfo.xml
  ${KURUMIN_GENERATED_DIR}/org.example.kurumin.metainfo.xml @ONLY)
install(FILES ${KURUMIN_GENERATED_DIR}/org.example.kurumin.metainfo.xml DESTINATION share/metainfo)
configure_file(${KURUMIN_PACKAGING_DIR}/changelog ${KURUMIN_GENERATED_DIR}/changelog COPYONLY)

# Debian ships the manual page and the changelog compressed; -n keeps the
# bytes the same from build to build.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(pair "kurumin.1:share/man/man1" "changelog:${KURUMIN_DOC_DIR}")
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 name)
  list(GET pair 1 destination)
  set(gz ${KURUMIN_GENERATED_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KURUMIN_GENERATED_DIR}
    COMMAND ${GZIP_PROGRAM} -9n -c ${KURUMIN_GENERATED_DIR}/${name} > ${gz}
    DEPENDS ${KURUMIN_GENERATED_DIR}/${name})
  list(APPEND generated ${gz})
  install(FILES ${gz} DESTINATION ${destination})
endforeach()

add_custom_target(kurumin_install_files ALL DEPENDS ${generated})

# The help page and its pictures, as the build puts them beside the program.
if(EXISTS ${CMAKE_SOURCE_DIR}/data/help/index.html)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/help/ DESTINATION share/kurumin/help
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  message(WARNING "data/help/index.html is missing: the help page is not installed")
endif()

# cpack -G DEB makes kurumin_<version>_<arch>.deb.
if(PROJECT_VERSION_PATCH STREQUAL "")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
else()
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kurumin)
set(CPACK_PACKAGE_VENDOR "the Kurumin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop panel for stepping through numbered web pages")
# Wrapped by hand: CPack keeps the lines as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kurumin sits as one small, always-on-top strip beside a Chromium-family"
  "browser or Firefox and walks through sequentially numbered web pages: image"
  "galleries, scanned pages, paginated archives."
  ""
  "Copy an address with a range in square brackets, such as"
  "img[001-120].jpg, and it knows the first and last number and how many"
  "digits to keep; UP, DWN, the count buttons and two floating step windows"
  "change the number, stop at the bounds and open each page in a new"
  "browser window. It also keeps a list of saved pages and a daily history"
  "of the pages noted.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kurumin developers <kurumin@example.org>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The xcb platform plugin is loaded at run time, so shlibdeps cannot see it.
# The captions need a Japanese font, any of Debian's common ones.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, chromium | firefox-esr | firefox | chromium-browser | google-chrome-stable | brave-browser | microsoft-edge-stable, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic | fonts-takao-gothic, xdg-utils")
# The toolkit's own buttons and dialogs in Japanese; English without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
