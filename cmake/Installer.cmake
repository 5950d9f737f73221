# The Windows installer (NSIS), included by the top CMakeLists.txt in the
# Windows cross build when makensis is found:
#   Sylvadra-<version>-setup.exe       beside the zip, in the build folder
#   winget/<version>/*.yaml            the winget manifests of that installer
# It is part of the default build, so `make package` (and the tests) have it.
#
# One version for all: the project's version, as the .scr's version resource
# (src/backends/win32/sylvadra.rc) has it; the resource's texts (company,
# copyright, ...) are read from the .rc, so that the installer and its
# uninstaller tell exactly what the program does.

set(SCR_RC_FILE ${PROJECT_SOURCE_DIR}/src/backends/win32/sylvadra.rc)
file(STRINGS ${SCR_RC_FILE} rc_values REGEX "^[ \t]*VALUE \"[A-Za-z]+\", \"[^\"]*\"")
foreach(line IN LISTS rc_values)
  if(line MATCHES "VALUE \"([A-Za-z]+)\", \"([^\"]*)\"")
    set(RC_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
foreach(key ProductName CompanyName FileDescription LegalCopyright)
  if(NOT DEFINED RC_${key})
    message(FATAL_ERROR "${SCR_RC_FILE} has no text ${key}")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SCR_RC_FILE})

set(INSTALLER_DIR ${CMAKE_BINARY_DIR}/installer)
set(SETUP_EXE ${CMAKE_BINARY_DIR}/Sylvadra-${PROJECT_VERSION}-setup.exe)
# The program goes in without its debugging information, as in the zip.
set(INSTALLER_SCR ${INSTALLER_DIR}/Sylvadra.scr)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/icon-1.ico)
  set(SYL_ICON_LINE "!define SYL_ICON \"${PROJECT_SOURCE_DIR}/resources/icon-1.ico\"")
else()
  set(SYL_ICON_LINE "")
endif()
set(INSTALLER_CONFIG ${INSTALLER_DIR}/config.nsh)
set(INSTALLER_NSI ${PROJECT_SOURCE_DIR}/packaging/installer/sylvadra.nsi)
configure_file(${PROJECT_SOURCE_DIR}/packaging/installer/config.nsh.in ${INSTALLER_CONFIG} @ONLY)

set(WINGET_DIR ${CMAKE_BINARY_DIR}/winget/${PROJECT_VERSION})
set(WINGET_TEMPLATES ${PROJECT_SOURCE_DIR}/packaging/winget/Sylvadra.Sylvadra.yaml.in
                     ${PROJECT_SOURCE_DIR}/packaging/winget/Sylvadra.Sylvadra.installer.yaml.in
                     ${PROJECT_SOURCE_DIR}/packaging/winget/Sylvadra.Sylvadra.locale.en-US.yaml.in)
set(WINGET_MANIFESTS ${WINGET_DIR}/Sylvadra.Sylvadra.yaml ${WINGET_DIR}/Sylvadra.Sylvadra.installer.yaml
                     ${WINGET_DIR}/Sylvadra.Sylvadra.locale.en-US.yaml)

find_program(STRIP_WIN NAMES x86_64-w64-mingw32-strip REQUIRED)
add_custom_command(
  OUTPUT ${SETUP_EXE} ${WINGET_MANIFESTS}
  COMMAND ${STRIP_WIN} -o ${INSTALLER_SCR} $<TARGET_FILE:sylvadra_scr>
  COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 -DCONFIG=${INSTALLER_CONFIG} ${INSTALLER_NSI}
  COMMAND ${CMAKE_COMMAND} -DINSTALLER=${SETUP_EXE} -DVERSION=${PROJECT_VERSION}
          -DTEMPLATES=${PROJECT_SOURCE_DIR}/packaging/winget -DOUT=${WINGET_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/WingetManifests.cmake
  DEPENDS sylvadra_scr ${INSTALLER_NSI} ${INSTALLER_CONFIG} ${WINGET_TEMPLATES}
          ${PROJECT_SOURCE_DIR}/cmake/WingetManifests.cmake ${PROJECT_SOURCE_DIR}/LICENSE
          ${PROJECT_SOURCE_DIR}/resources/font-1-LICENSE.txt
  COMMENT "Building the installer Sylvadra-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${SETUP_EXE} ${WINGET_MANIFESTS})
