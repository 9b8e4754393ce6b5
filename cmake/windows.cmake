# The Windows programs (mingw cross build): kestrom.exe, SimMach3.exe and the
# tests that run under Wine.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Static: no libstdc++, libgcc or winpthread DLLs beside the programs.
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(kestrom_win32 STATIC
  machine/win32/text_win32.cpp
  machine/win32/com_automation.cpp
  machine/win32/win32_call_worker.cpp
  machine/win32/win32_system.cpp
  teach/win32/win32_file_store.cpp
  teach/win32/win32_safe_write.cpp
  teach/win32/win32_recovery_file.cpp
  window/win32/win32_controls.cpp
  window/win32/main_window.cpp
  window/win32/path_view_window.cpp
  window/win32/win32_file_dialogs.cpp
  window/win32/win32_copy_dialogs.cpp
  window/win32/win32_system_info.cpp
)
target_link_libraries(kestrom_win32 PUBLIC kestrom_core ole32 oleaut32 uuid comctl32 comdlg32 shell32 uxtheme)

# The Wine tests' build (another thread model) takes the programs of the
# programs' build, so what is tested is what ships.
if(KESTROM_PROGRAMS_DIR)
  add_custom_target(programs_under_test ALL
    COMMAND ${CMAKE_COMMAND} -E copy ${KESTROM_PROGRAMS_DIR}/kestrom.exe ${KESTROM_PROGRAMS_DIR}/SimMach3.exe
            ${CMAKE_BINARY_DIR}/
    COMMENT "The programs under test, from ${KESTROM_PROGRAMS_DIR}")
else()
  add_executable(kestrom WIN32 app/kestrom_main.cpp app/kestrom.rc)
  target_link_libraries(kestrom PRIVATE kestrom_win32)

  # The type library that lets COM marshal the document interface across processes.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  else()
    set(WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
    # Without the 32-bit Wine (its i386 packages could not be installed) the
    # 64-bit stdole2.tlb serves: the library imports stdole by its GUID, which
    # Windows resolves to its own at run time.
    if(NOT EXISTS ${WINE_TLB_DIR}/stdole2.tlb AND EXISTS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/stdole2.tlb)
      message(STATUS "No 32-bit Wine: the type library imports the 64-bit stdole2.tlb")
      set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
    endif()
  endif()
  find_program(WIDL widl REQUIRED)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/mach4.tlb
    COMMAND ${WIDL} ${WIDL_TARGET_FLAGS} -t -I/usr/include/wine/wine/windows -L ${WINE_TLB_DIR}
            -o ${CMAKE_BINARY_DIR}/mach4.tlb ${CMAKE_SOURCE_DIR}/sim/mach4.idl
    DEPENDS ${CMAKE_SOURCE_DIR}/sim/mach4.idl
    COMMENT "Type library for SimMach3")
  add_custom_target(mach4_tlb DEPENDS ${CMAKE_BINARY_DIR}/mach4.tlb)

  add_executable(SimMach3 WIN32 sim/sim_main.cpp sim/sim_objects.cpp sim/sim_window.cpp sim/sim_log.cpp
                 sim/sim_registry_win32.cpp sim/sim.rc)
  target_include_directories(SimMach3 PRIVATE ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/app)
  set_source_files_properties(sim/sim.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/mach4.tlb)
  add_dependencies(SimMach3 mach4_tlb)
  target_link_libraries(SimMach3 PRIVATE kestrom_win32 kestrom_sim)

  # The type library's source repeats the contract's two GUIDs: they must agree.
  file(READ ${CMAKE_SOURCE_DIR}/machine/mach3_contract.h contract)
  file(READ ${CMAKE_SOURCE_DIR}/sim/mach4.idl idl)
  foreach(name kClsid kDocumentIid)
    string(REGEX MATCH "${name} = \"{([0-9A-F-]+)}\"" found "${contract}")
    string(FIND "${idl}" "uuid(${CMAKE_MATCH_1})" at)
    if(NOT found OR at EQUAL -1)
      message(FATAL_ERROR "sim/mach4.idl does not hold the contract's ${name}")
    endif()
  endforeach()
  add_custom_target(programs_under_test DEPENDS kestrom SimMach3)
endif()

if(KESTROM_WINE_TESTS)
  include(cmake/wine_tests.cmake)
endif()
