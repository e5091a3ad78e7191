# The Debian packages that `cpack -G DEB` makes of this build (./package.sh), one for each install
# component (packaging/CMakeLists.txt):
#   beziercurve          (programs)     the two programs, their man pages, desktop entry, docs
#   libbeziercurve2      (library)      the shared library
#   libbeziercurve-dev   (development)  headers, link, CMake package, pkg-config file, example
#   python3-beziercurve  (python)       the Python module, when this build has one
# All are built from the one source, so each depends on the exact version of the library
# package; the other dependencies are read off the binaries by dpkg-shlibdeps.
get_cmake_property(installed_components COMPONENTS)
set(CPACK_COMPONENTS_ALL programs library development)
if(python IN_LIST installed_components)
  list(APPEND CPACK_COMPONENTS_ALL python)
  install_package_documents(python python3-beziercurve)
  # After the module's own install rules (the folders' rules run in the order they are given).
  drop_comment_section_on_strip(python "lib/python3/dist-packages/beziercurve/*.so")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME beziercurve)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT
    "Seed e0235d65 maintainers <maintainers@users.noreply.c-seed-e0235d65.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE beziercurve)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds libbeziercurve.so.2 in this build (it is not installed on the machine);
# the dependency on its package is the component dependency below.
get_target_property(library_dir libbeziercurve BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${library_dir})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it first in every package's description.
# The first line of each description is that package's synopsis.

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME beziercurve)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION math)
set(CPACK_COMPONENT_PROGRAMS_DEPENDS library)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
    "compare cubic Bézier curves by their Hausdorff distance
Two programs that measure how far apart two shapes made of cubic Bézier
curves are, by their Hausdorff distance: the largest distance from a point
of either shape to the nearest point of the other.

beziercurve is an interactive viewer: it draws two curves with their
control polygons, lets you move their control points with the mouse and
the arrow keys, and on every redraw marks where the distance is attained
and prints the search's trace.

bezier-hausdorff computes a certified interval around the distance for
pairs of curves given as numbers, SVG path data or SVG files, and for the
glyphs of two fonts, as text or JSON.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libbeziercurve2)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The shlibs file: programs built against it depend on libbeziercurve2 (>= this version).
# (CPack reads this for every package, but only the library has a shared object with a SONAME.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The loader's cache is updated by libc's ldconfig trigger (Debian policy 8.1.1). CPack also
# writes postinst and postrm scripts that run ldconfig; remove_ldconfig_scripts.cmake takes them
# out of the built package.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/remove_ldconfig_scripts.cmake)
# What the library does, in each of its packages' long descriptions.
set(library_description
    "libbeziercurve computes certified Hausdorff and Fréchet distances between
shapes made of planar cubic Bézier curves: intervals that always hold the
true distance, floating-point rounding included, as narrow as asked. It
reads shapes from SVG path data, SVG files and font glyphs.")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "certified distances between cubic Bézier curves (shared library)
${library_description}

This package contains the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libbeziercurve-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "certified distances between cubic Bézier curves (development files)
${library_description}

This package contains the C++ headers, the CMake package (find_package
BezierCurve, target BezierCurve::BezierCurve), the pkg-config file
beziercurve.pc and an example program.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-beziercurve)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_COMPONENT_PYTHON_DEPENDS library)
# The module is built for one Python version's ABI (its name says cpython-311): it needs that
# version, as dh_python3 would write it. This finds the interpreter the module's folder found.
if(python IN_LIST installed_components)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  math(EXPR python_next_minor "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${python_next_minor}), python3-numpy")
endif()
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "certified distances between cubic Bézier curves (Python 3)
${library_description}

This package contains the Python 3 module beziercurve.")

include(CPack)
