# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS). CPack gives a package
# with a shared library in /usr/lib maintainer scripts that run ldconfig; in Debian the package
# activates libc's ldconfig trigger instead (its triggers file), and lintian rejects the scripts.
# The library's package is unpacked, the two scripts are removed and it is built again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  if(NOT name MATCHES "^libbeziercurve2_.*\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  set(scripts postinst postrm)
  set(actions configure remove)
  foreach(script action IN ZIP_LISTS scripts actions)
    file(READ "${tree}/DEBIAN/${script}" text)
    set(expected "#!/bin/sh\n\nset -e\n\nif [ \"$1\" = \"${action}\" ]; then\n\tldconfig\nfi\n")
    if(NOT text STREQUAL expected)
      message(FATAL_ERROR "${name}: DEBIAN/${script} is not CPack's ldconfig call:\n${text}")
    endif()
    file(REMOVE "${tree}/DEBIAN/${script}")
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
