# qv_add_bundle: assembles an application bundle around an executable target.
#
#   qv_add_bundle(<target>
#     NAME <bundle name>                 # makes "<name>.app"
#     IDENTIFIER <bundle identifier>
#     DESTINATION <directory>            # where "<name>.app" is made
#     [EXECUTABLE_NAME <file name>]      # default: the bundle name
#     [VERSION <version>]                # default: the project's version
#     [DELEGATE_CLASS <class name>]      # registered class made the application's delegate
#     [INFO_PLIST_KEYS <raw plist XML>]  # further keys for Info.plist
#     [RESOURCES <file>...]              # copied to Contents/Resources
#     [LOCALIZED_STRINGS <language> <strings file> ...])  # Contents/Resources/<language>.lproj/Localizable.strings
#
# The bundle is laid out as
#   <name>.app/Contents/Info.plist
#   <name>.app/Contents/MacOS/<executable>
#   <name>.app/Contents/Resources/...
# and the bundle directory is stored in the target property QV_BUNDLE_DIR.
set(_QV_BUNDLE_TEMPLATE_DIR "${CMAKE_CURRENT_LIST_DIR}")

function(qv_add_bundle target)
  cmake_parse_arguments(PARSE_ARGV 1 B "" "NAME;IDENTIFIER;DESTINATION;EXECUTABLE_NAME;VERSION;DELEGATE_CLASS;INFO_PLIST_KEYS"
                        "RESOURCES;LOCALIZED_STRINGS")
  foreach(required NAME IDENTIFIER DESTINATION)
    if(NOT B_${required})
      message(FATAL_ERROR "qv_add_bundle(${target}): ${required} is required")
    endif()
  endforeach()
  if(NOT B_EXECUTABLE_NAME)
    set(B_EXECUTABLE_NAME "${B_NAME}")
  endif()
  if(NOT B_VERSION)
    set(B_VERSION "${PROJECT_VERSION}")
  endif()
  set(bundle "${B_DESTINATION}/${B_NAME}.app")
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME "${B_EXECUTABLE_NAME}"
    RUNTIME_OUTPUT_DIRECTORY "${bundle}/Contents/MacOS"
    QV_BUNDLE_DIR "${bundle}")

  set(QV_BUNDLE_NAME "${B_NAME}")
  set(QV_BUNDLE_IDENTIFIER "${B_IDENTIFIER}")
  set(QV_BUNDLE_EXECUTABLE "${B_EXECUTABLE_NAME}")
  set(QV_BUNDLE_VERSION "${B_VERSION}")
  set(QV_BUNDLE_EXTRA_KEYS "${B_INFO_PLIST_KEYS}")
  if(B_DELEGATE_CLASS)
    string(APPEND QV_BUNDLE_EXTRA_KEYS "\n  <key>QVApplicationDelegateClass</key>\n  <string>${B_DELEGATE_CLASS}</string>")
  endif()
  configure_file("${_QV_BUNDLE_TEMPLATE_DIR}/Info.plist.in" "${bundle}/Contents/Info.plist" @ONLY)

  set(copies "")
  foreach(resource IN LISTS B_RESOURCES)
    get_filename_component(name "${resource}" NAME)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different "${resource}" "${bundle}/Contents/Resources/${name}")
  endforeach()
  list(LENGTH B_LOCALIZED_STRINGS count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "qv_add_bundle(${target}): LOCALIZED_STRINGS takes pairs of <language> <file>")
  endif()
  while(B_LOCALIZED_STRINGS)
    list(POP_FRONT B_LOCALIZED_STRINGS language file)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different "${file}"
         "${bundle}/Contents/Resources/${language}.lproj/Localizable.strings")
  endwhile()
  if(copies)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory "${bundle}/Contents/Resources" ${copies} VERBATIM)
  endif()
endfunction()

# qv_add_login_item_helper: builds the login-item helper program into
# <PRINCIPAL_BUNDLE>/Contents/Library/LoginItems/<NAME>.app. At login it
# launches the principal application that holds it when that is not running.
#
#   qv_add_login_item_helper(<target> NAME <name> IDENTIFIER <id> PRINCIPAL_BUNDLE <dir of X.app>)
if(NOT DEFINED QV_HELPER_SOURCE_DIR)
  set(QV_HELPER_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../helper")
endif()
set(_QV_HELPER_SOURCE_DIR "${QV_HELPER_SOURCE_DIR}")

function(qv_add_login_item_helper target)
  cmake_parse_arguments(PARSE_ARGV 1 H "" "NAME;IDENTIFIER;PRINCIPAL_BUNDLE" "")
  add_executable(${target} "${_QV_HELPER_SOURCE_DIR}/main.cpp" "${_QV_HELPER_SOURCE_DIR}/AppDelegate.cpp")
  target_include_directories(${target} PRIVATE "${_QV_HELPER_SOURCE_DIR}/..")
  target_link_libraries(${target} PRIVATE qv::qvcore)
  # It runs at every login, so it starts lean: the C++ runtime linked in and
  # no library loaded that its usual path does not use.
  target_link_options(${target} PRIVATE -Wl,--as-needed)
  if(NOT QV_SANITIZE)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
  qv_add_bundle(${target} NAME "${H_NAME}" IDENTIFIER "${H_IDENTIFIER}"
    DESTINATION "${H_PRINCIPAL_BUNDLE}/Contents/Library/LoginItems"
    DELEGATE_CLASS AppDelegate
    INFO_PLIST_KEYS "\n  <key>LSUIElement</key>\n  <true/>")
endfunction()
