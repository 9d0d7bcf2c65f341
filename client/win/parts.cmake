# What VeskChat.exe's main window is built from besides itself: the settings in the registry,
# the combo boxes, the connect and options dialogs, the font dialog and the flat toolbar.
add_library(vesk_chat_win_parts STATIC
    ${PROJECT_SOURCE_DIR}/client/win/connect_dialog.cpp
    ${PROJECT_SOURCE_DIR}/client/win/flat_toolbar.cpp
    ${PROJECT_SOURCE_DIR}/client/win/font_choice.cpp
    ${PROJECT_SOURCE_DIR}/client/win/option_dialog.cpp
    ${PROJECT_SOURCE_DIR}/client/win/registry_settings_store.cpp
    ${PROJECT_SOURCE_DIR}/client/win/target_fields.cpp
    ${PROJECT_SOURCE_DIR}/client/win/win_combo_box.cpp
)
target_link_libraries(vesk_chat_win_parts PUBLIC vesk_client_rules vesk_win_ui advapi32 comctl32 comdlg32 gdi32 uxtheme)

# VeskChat.exe's resources, linked into the program and into the tests that show its dialogs:
# an object library, as the linker would leave resources in a static library behind.
add_library(vesk_chat_resources OBJECT ${PROJECT_SOURCE_DIR}/resources/client/vesk_chat.rc)
target_include_directories(vesk_chat_resources
    PRIVATE ${PROJECT_SOURCE_DIR} ${VESK_WIN_RESOURCE_INCLUDE})
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/client/vesk_chat.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/client/vesk_chat_ids.h;${PROJECT_SOURCE_DIR}/resources/client/vesk_chat.ico;${PROJECT_SOURCE_DIR}/resources/client/toolbar1.bmp;${PROJECT_SOURCE_DIR}/resources/client/toolbar2.bmp;${PROJECT_SOURCE_DIR}/resources/windows/vesk.manifest")
