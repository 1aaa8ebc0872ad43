# Fails unless BINARY names a Qt library among its dynamic dependencies exactly when EXPECT is
# "present". The names of needed libraries lie in the binary's dynamic string table.
file(STRINGS ${BINARY} qt REGEX "^libQt[0-9][A-Za-z]*\\.so")
if(EXPECT STREQUAL "absent" AND qt)
  message(FATAL_ERROR "${BINARY} links Qt: ${qt}")
elseif(EXPECT STREQUAL "present" AND NOT qt)
  message(FATAL_ERROR "${BINARY} links no Qt library")
endif()
