# Install rules and the Debian package (POSIX only; the root file includes this under UNIX).
#
#   cmake --install build --prefix P      P/bin/sublumen, P/bin/dae-info, P/lib/sublumen/liblumenvat.so
#                                         (found through the programs' relative RUNPATH),
#                                         P/share/sublumen/data.pak, desktop entry, icons, AppStream
#                                         metainfo, the man page sublumen.6
#   cd build && cpack -G DEB              sublumen_VERSION_amd64.deb, dependencies from dpkg-shlibdeps
#
# The engine library is private to the program, so it lives in lib/sublumen, not on the system's
# library path.
set(SUBLUMEN_APP_ID org.sublumen.Sublumen CACHE STRING "Reverse-DNS id of the desktop entry and the AppStream metainfo")
set(SUBLUMEN_HOMEPAGE https://sublumen.invalid CACHE STRING "The project's home page, named in the AppStream metainfo")

# An RPATH, not a RUNPATH (--disable-new-dtags): the loader also searches it for the libraries
# that other libraries need, which is what lets scripts/bundle-linux.sh put all of them beside
# the engine. The build tree's programs keep their build paths.
set(private_lib lib/sublumen)
set_target_properties(sublumen dae-info PROPERTIES INSTALL_RPATH "$ORIGIN/../${private_lib}")
target_link_options(sublumen PRIVATE -Wl,--disable-new-dtags)
target_link_options(dae-info PRIVATE -Wl,--disable-new-dtags)
install(TARGETS sublumen dae-info RUNTIME DESTINATION bin)
install(TARGETS lumenvat LIBRARY DESTINATION ${private_lib} NAMELINK_SKIP)
install(FILES ${CMAKE_BINARY_DIR}/data.pak DESTINATION share/sublumen)

set(desktop_dir ${CMAKE_SOURCE_DIR}/packaging/linux)
set(made ${CMAKE_BINARY_DIR}/packaging)
install(FILES ${desktop_dir}/sublumen.desktop DESTINATION share/applications RENAME ${SUBLUMEN_APP_ID}.desktop)
foreach(size 16 32 128)
  install(FILES ${CMAKE_BINARY_DIR}/resources/icon${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME sublumen.png)
endforeach()
configure_file(${desktop_dir}/metainfo.xml.in ${made}/${SUBLUMEN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${made}/${SUBLUMEN_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The man page and the package's changelog go in compressed, as Debian installs them (-n: no
# time stamp, so the same source gives the same bytes).
configure_file(${desktop_dir}/sublumen.6 ${made}/sublumen.6 @ONLY)
configure_file(${desktop_dir}/dae-info.1 ${made}/dae-info.1 @ONLY)
file(WRITE ${made}/changelog
  "sublumen (${PROJECT_VERSION}) unstable; urgency=low\n\n  * Release ${PROJECT_VERSION}.\n\n"
  " -- Sublumen <dev@sublumen.invalid>  Wed, 09 Dec 2026 12:00:00 +0000\n")
add_custom_command(OUTPUT ${made}/sublumen.6.gz ${made}/dae-info.1.gz ${made}/changelog.gz
  COMMAND gzip -9nkf sublumen.6 dae-info.1 changelog
  DEPENDS ${made}/sublumen.6 ${made}/dae-info.1 ${made}/changelog
  WORKING_DIRECTORY ${made}
  VERBATIM)
add_custom_target(packaging_docs ALL DEPENDS ${made}/sublumen.6.gz ${made}/dae-info.1.gz ${made}/changelog.gz)
install(FILES ${made}/sublumen.6.gz DESTINATION share/man/man6)
install(FILES ${made}/dae-info.1.gz DESTINATION share/man/man1)
install(FILES ${desktop_dir}/copyright ${made}/changelog.gz DESTINATION share/doc/sublumen)

set(CPACK_PACKAGE_NAME sublumen)
set(CPACK_PACKAGE_VENDOR "The Sublumen developers")
set(CPACK_PACKAGE_CONTACT "Sublumen <dev@sublumen.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual production")
set(CPACK_PACKAGE_DESCRIPTION "A small setup dialog, then one OpenGL window in which eight rendered
effects play for 281 seconds in step with the music. The show can also be
rendered into PNG frames or a video file without a display (through EGL).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find the engine library among the package's own files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# SDL opens GL (GLX) and EGL (the offscreen driver) at run time, so no library links them:
# named here, with Mesa's drivers (llvmpipe) for a machine without a GPU driver of its own.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
include(CPack)
