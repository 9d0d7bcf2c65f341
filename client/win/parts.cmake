# What VeskChat.exe's main window is built from besides itself: the settings in the registry,
# the combo boxes, the connect and options dialogs, the font dialog and the flat toolbar.
add_library(vesk_chat_win_parts STATIC
    ${PROJECT_SOURCE_DIR}/client/win/registry_settings_store.cpp
)
target_link_libraries(vesk_chat_win_parts PUBLIC vesk_client_rules vesk_win_ui advapi32)
