# velkor-node's package: the program, its man page, the systemd unit, the configuration
# file, and a udev rule that gives the service's group the converters. Included by
# packaging/CMakeLists.txt, whose helpers and copyright it uses.
set(VELKOR_NODE_USER velkor-node)
# The same folders the program takes by default (velkor-node/NodeConfig.h) and the unit's
# StateDirectory names.
set(VELKOR_NODE_STATE_DIR /var/lib/velkor-node)
set(node_config_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/velkor-node)
set(VELKOR_NODE_CONFIG_FILE ${node_config_dir}/velkor-node.conf)
set(VELKOR_NODE_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/velkor-node)
# systemd reads units from /usr/lib/systemd/system and /usr/local/lib/systemd/system.
set(VELKOR_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING "Where the systemd unit goes, relative to the prefix")
# After velkorctl's rule in udev's order, before the rules that act on its uaccess tag.
set(VELKOR_NODE_UDEV_RULE_FILE 70-velkor-node.rules)

set(node_dir ${CMAKE_CURRENT_BINARY_DIR}/node)
configure_file(node/velkor-node.service.in ${node_dir}/velkor-node.service @ONLY)
configure_file(node/postinst.in ${node_dir}/postinst @ONLY)
configure_file(node/prerm ${node_dir}/prerm COPYONLY)
configure_file(node/postrm.in ${node_dir}/postrm @ONLY)
configure_file(node/conffiles.in ${node_dir}/conffiles @ONLY)
set(node_control_files ${node_dir}/postinst ${node_dir}/prerm ${node_dir}/postrm ${node_dir}/conffiles)

# The group's rule comes from the same table of accepted converters as velkorctl's. The
# build machine need not have the group, which velkorctl warns about: not a fault here.
set(node_udev_rule ${node_dir}/${VELKOR_NODE_UDEV_RULE_FILE})
add_custom_command(OUTPUT ${node_udev_rule}
  COMMAND sh -c "\"$1\" udev-rule --group \"$2\" 2>/dev/null > \"$3\"" sh $<TARGET_FILE:velkorctl> ${VELKOR_NODE_USER}
    ${node_udev_rule}
  DEPENDS velkorctl
  VERBATIM)
set(node_man_page ${node_dir}/velkor-node.8.gz)
velkor_gzip(${PROJECT_SOURCE_DIR}/velkor-node/velkor-node.8 ${node_man_page})
list(APPEND install_files ${node_udev_rule} ${node_man_page})

install(TARGETS velkor-node RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT node)
install(FILES ${node_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT node)
install(FILES ${node_dir}/velkor-node.service DESTINATION ${VELKOR_SYSTEMD_UNIT_DIR} COMPONENT node)
install(FILES node/velkor-node.conf DESTINATION ${node_config_dir} COMPONENT node)
install(FILES ${node_udev_rule} DESTINATION ${VELKOR_UDEV_RULES_DIR} COMPONENT node)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${changelog}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${node_package} COMPONENT node)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides/${node_package}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT node)
