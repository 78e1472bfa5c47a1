# Read by cpack once per generator: the archive takes only the release layout.
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL release)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
endif()
