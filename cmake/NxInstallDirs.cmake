# Installation folders of our own beyond GNUInstallDirs'.

# The print-dialog plug-in bundles (faxpde.plugin, accountpde.plugin), where pdehost and the
# desktop program look by default (nx::platform::PlugInDir()). Relative to the prefix, or absolute.
set(NX_INSTALL_PLUGINDIR "${CMAKE_INSTALL_LIBDIR}/norvalex/plugins" CACHE STRING
    "Folder of the print-dialog plug-in bundles (relative to the prefix, or absolute)")
cmake_path(ABSOLUTE_PATH NX_INSTALL_PLUGINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           OUTPUT_VARIABLE NX_INSTALL_FULL_PLUGINDIR)
# With both folders under the prefix, a program finds the bundles from where it lies, so that an
# installation staged with DESTDIR or installed with another --prefix finds its own.
if(NOT IS_ABSOLUTE "${NX_INSTALL_PLUGINDIR}" AND NOT IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
  file(RELATIVE_PATH NX_PLUGINDIR_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${NX_INSTALL_FULL_PLUGINDIR}")
else()
  set(NX_PLUGINDIR_FROM_BINDIR "")
endif()

# nx_install_bundle(TARGET BUNDLE_DIR): installs a plug-in bundle laid out in the build tree
# (Contents/Info.plist, Contents/Resources/) with its module (Contents/Linux/) into the plug-in
# folder, as part of the "dialog" component (cmake --install <build> --component dialog).
function(nx_install_bundle target bundle)
  cmake_path(GET bundle FILENAME name)
  install(DIRECTORY ${bundle}/ DESTINATION ${NX_INSTALL_PLUGINDIR}/${name} COMPONENT dialog
          PATTERN Linux EXCLUDE)
  install(TARGETS ${target} LIBRARY DESTINATION ${NX_INSTALL_PLUGINDIR}/${name}/Contents/Linux
          COMPONENT dialog)
endfunction()
