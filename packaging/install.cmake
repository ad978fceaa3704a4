# What `cmake --install` places, and the Debian package CPack builds from it.
include(GNUInstallDirs)

install(TARGETS pictor pictor-data RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/pictor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/pictor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Files that carry the version, made in the build tree; manuals and the
# change log compressed as Debian wants them (no time stamp, so the same
# bytes every build).
set(PICTOR_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/org.pictorlab.Pictor.metainfo.xml
               ${PICTOR_PACKAGING_OUT}/org.pictorlab.Pictor.metainfo.xml @ONLY)
install(FILES ${PICTOR_PACKAGING_OUT}/org.pictorlab.Pictor.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(PICTOR_COMPRESSED)
foreach(name pictor.1 pictor-data.1 changelog)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${name} ${PICTOR_PACKAGING_OUT}/${name} @ONLY)
  add_custom_command(OUTPUT ${PICTOR_PACKAGING_OUT}/${name}.gz
                     COMMAND gzip -9nfk ${PICTOR_PACKAGING_OUT}/${name}
                     DEPENDS ${PICTOR_PACKAGING_OUT}/${name}
                     COMMENT "Compressing ${name}")
  list(APPEND PICTOR_COMPRESSED ${PICTOR_PACKAGING_OUT}/${name}.gz)
endforeach()
add_custom_target(pictor_packaging_files ALL DEPENDS ${PICTOR_COMPRESSED})
install(FILES ${PICTOR_PACKAGING_OUT}/pictor.1.gz ${PICTOR_PACKAGING_OUT}/pictor-data.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PICTOR_PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pictor team <pictor@pictorlab.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "experiments in empirical visual aesthetics")
set(CPACK_PACKAGE_DESCRIPTION "Pictor runs one experimental session for one subject: the subject makes
random abstract pictures with four sliders and rates each one, or rates
the pictures made earlier again. Ratings, settings and pictures go to
plain-text data files, with a record of each session beside them.

pictor-data draws every stored picture as PNG or SVG, makes contact sheets
and writes one table across subjects with objective picture measures.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from dpkg-shlibdeps; the fonts are asked for by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-blankenburg")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
