# Installs the gateway's systemd unit and its example configuration; run by `cmake --install`
# and cpack, with SOURCE_DIR (this folder), BUILD_DIR (where units are written), UNIT_DIR
# (systemd's folder of system units under the prefix /usr) and BIN_DIR, DOC_DIR (relative to
# the prefix). The prefix is known only now (cpack installs under /usr whatever the build was
# configured with), so the unit's paths are written now. Under /usr the configuration goes to
# /etc and the unit where systemd's own units are; under another prefix both stay inside it
# (systemd reads units from /usr/local/lib/systemd/system too).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(config_dir /etc/tavr-12864)
    set(unit_dir ${UNIT_DIR})
else()
    set(config_dir ${CMAKE_INSTALL_PREFIX}/etc/tavr-12864)
    set(unit_dir ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
endif()

set(TAVR_GATEWAY_PROGRAM ${CMAKE_INSTALL_PREFIX}/${BIN_DIR}/tavr-12864-cli)
set(TAVR_GATEWAY_CONFIG_DIR ${config_dir})
set(TAVR_GATEWAY_CONFIG ${config_dir}/gateway.toml)
set(TAVR_GATEWAY_GUIDE ${CMAKE_INSTALL_PREFIX}/${DOC_DIR}/gateway.md.gz)
# Each installation writes its unit in a folder of its own, removed afterwards: installations
# into several prefixes at once (the packaging tests) must not take each other's.
string(RANDOM LENGTH 16 installation)
set(unit_folder ${BUILD_DIR}/installing-${installation})
configure_file(${SOURCE_DIR}/tavr-12864-gateway.service.in
               ${unit_folder}/tavr-12864-gateway.service @ONLY)
file(INSTALL DESTINATION ${unit_dir} TYPE FILE FILES ${unit_folder}/tavr-12864-gateway.service)
file(REMOVE_RECURSE ${unit_folder})

# A configuration already there is the user's: an installation from the sources never replaces
# it (the Debian package has it as a conffile, which dpkg asks about instead).
if(EXISTS "$ENV{DESTDIR}${TAVR_GATEWAY_CONFIG}")
    message(STATUS "Kept: $ENV{DESTDIR}${TAVR_GATEWAY_CONFIG} (the example is ${SOURCE_DIR}/gateway.toml)")
else()
    file(INSTALL DESTINATION ${config_dir} TYPE FILE FILES ${SOURCE_DIR}/gateway.toml)
endif()
