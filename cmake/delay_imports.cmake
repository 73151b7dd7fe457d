# Delay-loaded import libraries for the launcher. A DLL imported the usual
# way is loaded before wWinMain, together with its own dependencies, and the
# executable's folder is searched first for those; a delay-loaded one is
# loaded on first use, after the launcher has restricted the search to the
# system folder. Each entry: DLL name, then functions with their stdcall
# argument bytes (the i686 decoration).
set(TOLVANE_DELAY_DLLS
  "user32|MessageBoxW@16"
  "shell32|SHCreateDirectoryExW@12"
  "shlwapi|PathFileExistsW@4"
  "ole32|CoInitialize@4,CoUninitialize@0,CoCreateInstance@20"
  "oleaut32|SysAllocString@4,SysFreeString@4,SysAllocStringByteLen@8,SysStringByteLen@4,SysStringLen@4"
  "gdi32|CreateCompatibleDC@4,DeleteDC@4,EnumFontFamiliesExW@20,AddFontResourceW@4")

function(tolvane_delay_import_libraries out_var)
  set(libraries)
  foreach(entry IN LISTS TOLVANE_DELAY_DLLS)
    string(REPLACE "|" ";" parts "${entry}")
    string(REPLACE "," ";" parts "${parts}")
    list(GET parts 0 dll)
    list(REMOVE_AT parts 0)
    string(REPLACE ";" "\n" exports "${parts}")
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")
    endif()
    set(def "${CMAKE_CURRENT_BINARY_DIR}/delay/${dll}.def")
    set(lib "${CMAKE_CURRENT_BINARY_DIR}/delay/lib${dll}_delay.a")
    file(WRITE "${def}.in" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    configure_file("${def}.in" "${def}" COPYONLY)
    add_custom_command(OUTPUT "${lib}"
      COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def "${def}" --dllname ${dll}.dll --output-delaylib "${lib}"
      DEPENDS "${def}"
      COMMENT "Delay-load library for ${dll}.dll")
    list(APPEND libraries "${lib}")
  endforeach()
  add_custom_target(tolvane_delay_libs DEPENDS ${libraries})
  set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()
