# Writes the winget manifests of an installer: cmake -DINSTALLER=<setup.exe>
# -DVERSION=<x.y.z> -DTEMPLATES=<packaging/winget> -DOUT=<folder>
# -P WingetManifests.cmake, after makensis. The templates get the version
# and the installer's SHA-256 (upper case, as winget writes it).
foreach(var INSTALLER VERSION TEMPLATES OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "WingetManifests.cmake needs -D${var}=...")
  endif()
endforeach()
file(SHA256 ${INSTALLER} INSTALLER_SHA256)
string(TOUPPER ${INSTALLER_SHA256} INSTALLER_SHA256)
get_filename_component(INSTALLER_NAME ${INSTALLER} NAME)
file(GLOB templates ${TEMPLATES}/*.yaml.in)
file(MAKE_DIRECTORY ${OUT})
foreach(template IN LISTS templates)
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  configure_file(${template} ${OUT}/${name} @ONLY)
endforeach()
