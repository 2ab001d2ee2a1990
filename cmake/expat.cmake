# The XML library, expat, for the report engine: TARVO_EXPAT names the target
# that tarvo_report links.
#
# Native builds take Debian's libexpat1-dev. Its static archive is preferred,
# for every target alike: tarvo-report is linked with -static (see
# cli/CMakeLists.txt), which a shared library cannot join, and the tests then
# run the same library as the command.
#
# The Windows builds compile it, static, for their width from Debian's source
# package, which scripts/deps.sh all unpacks into build/deps/expat; its
# CMake project is the expat/ folder there. XML_STATIC, which the library's
# header needs to declare its functions without dllimport, reaches every
# target that links it.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(TARVO_EXPAT_SOURCE_DIR ${CMAKE_SOURCE_DIR}/build/deps/expat CACHE PATH
      "Debian's source package expat, unpacked (scripts/deps.sh all unpacks it here)")
  if(NOT EXISTS ${TARVO_EXPAT_SOURCE_DIR}/expat/CMakeLists.txt OR
     NOT EXISTS ${TARVO_EXPAT_SOURCE_DIR}/debian/changelog)
    message(FATAL_ERROR
      "The Windows builds compile the XML library from Debian's source package "
      "expat, and ${TARVO_EXPAT_SOURCE_DIR} does not hold it: run scripts/deps.sh all")
  endif()
  file(STRINGS ${TARVO_EXPAT_SOURCE_DIR}/debian/changelog expat_changelog_top LIMIT_COUNT 1
       REGEX "^expat \\([^)]+\\)")
  string(REGEX REPLACE "^expat \\(([^)]+)\\).*" "\\1" expat_package_version "${expat_changelog_top}")
  message(STATUS "XML library: Debian's source package expat ${expat_package_version}, "
                 "built from ${TARVO_EXPAT_SOURCE_DIR}")
  # The library alone, static; nothing of its own installed. Its summary of
  # options stays out of the configure output.
  set(EXPAT_SHARED_LIBS OFF)
  set(EXPAT_BUILD_TOOLS OFF)
  set(EXPAT_BUILD_EXAMPLES OFF)
  set(EXPAT_BUILD_TESTS OFF)
  set(EXPAT_BUILD_DOCS OFF)
  set(EXPAT_BUILD_FUZZERS OFF)
  set(EXPAT_BUILD_PKGCONFIG OFF)
  set(EXPAT_ENABLE_INSTALL OFF)
  # DTD handling and namespaces are on, as in Debian's build, but defined to
  # 1 as the library's autotools build (which Debian uses) defines them:
  # Debian's patches test "#if XML_DTD == 1", which the empty definition the
  # CMake project writes into expat_config.h cannot pass. The CMake options
  # are off so that expat_config.h leaves both macros to these definitions.
  set(EXPAT_DTD OFF)
  set(EXPAT_NS OFF)
  set(CMAKE_MESSAGE_LOG_LEVEL NOTICE)
  add_subdirectory(${TARVO_EXPAT_SOURCE_DIR}/expat ${CMAKE_BINARY_DIR}/expat EXCLUDE_FROM_ALL)
  unset(CMAKE_MESSAGE_LOG_LEVEL)
  target_compile_definitions(expat PRIVATE XML_DTD=1 XML_NS=1)
  # The library's own CMake project adds XML_STATIC to its static build on
  # Windows; say it here too, so that no later version can leave it out.
  target_compile_definitions(expat INTERFACE XML_STATIC)
  set(TARVO_EXPAT expat)
else()
  set(tarvo_saved_suffixes ${CMAKE_FIND_LIBRARY_SUFFIXES})
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a ${CMAKE_FIND_LIBRARY_SUFFIXES})
  find_package(EXPAT 2.4 REQUIRED)
  set(CMAKE_FIND_LIBRARY_SUFFIXES ${tarvo_saved_suffixes})
  message(STATUS "XML library: ${EXPAT_LIBRARY}")
  set(TARVO_EXPAT EXPAT::EXPAT)
endif()
