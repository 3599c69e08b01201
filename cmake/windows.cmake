# The Windows program and its tests, cross-built with mingw-w64 and run under Wine by ctest.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
# A small program: unused functions and data are dropped at link time.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# Reproducible: the same sources give the same bytes wherever and whenever they are built. No build
# folder in the program (__FILE__, debug paths), no link time in its header, deterministic archives.
add_link_options(-Wl,--no-insert-timestamp)
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

set(VK_WIN_LIBS comctl32 comdlg32 gdi32 msimg32 user32 shell32 advapi32 version ole32 oleaut32 uuid wtsapi32)

file(GLOB_RECURSE VK_APP_SOURCES CONFIGURE_DEPENDS src/*.cpp)
list(FILTER VK_APP_SOURCES EXCLUDE REGEX "/src/app/main\\.cpp$")
add_library(vk_app STATIC ${VK_APP_SOURCES})
# Small and fast where each matters: the windows' code runs once per click and is compiled for size;
# the vault, the passwords and the platform layer, which walk every entry, for speed (-O2: -O3 made
# the program a fifth larger for no speed the benchmarks could see).
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
set(VK_WINDOW_SOURCES ${VK_APP_SOURCES})
list(FILTER VK_WINDOW_SOURCES INCLUDE REGEX "/src/(app|gate|mainwindow|windows|skin)/")
list(FILTER VK_WINDOW_SOURCES EXCLUDE REGEX "/entry_list_view\\.cpp$")
set_source_files_properties(${VK_WINDOW_SOURCES} PROPERTIES COMPILE_OPTIONS "$<$<CONFIG:Release>:-Os>")
target_include_directories(vk_app PUBLIC src resources)
target_link_libraries(vk_app PUBLIC ${VK_WIN_LIBS})
# The program's code is compiled without its build folder (tests keep theirs: they find files by it).
set(VK_NO_BUILD_PATHS -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(vk_app PRIVATE ${VK_NO_BUILD_PATHS})

# The resources (version information, manifest, icons, pictures, skin) go into the program and into
# the test programs alike, so tests read the very same version information the program ships with.
enable_language(RC)
add_library(vk_resources OBJECT resources/vellumkeep.rc)
set_property(SOURCE resources/vellumkeep.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/vellumkeep.manifest
  ${CMAKE_SOURCE_DIR}/resources/vellumkeep.ico
  ${CMAKE_SOURCE_DIR}/resources/splash.jpg
  ${CMAKE_SOURCE_DIR}/resources/header.jpg
  ${CMAKE_SOURCE_DIR}/resources/splash-150.jpg
  ${CMAKE_SOURCE_DIR}/resources/header-150.jpg
  ${CMAKE_SOURCE_DIR}/resources/splash-200.jpg
  ${CMAKE_SOURCE_DIR}/resources/header-200.jpg
  ${CMAKE_SOURCE_DIR}/resources/skin.txt)

add_executable(Vellumkeep WIN32 src/app/main.cpp $<TARGET_OBJECTS:vk_resources>)
target_link_libraries(Vellumkeep PRIVATE vk_app)
target_compile_options(Vellumkeep PRIVATE ${VK_NO_BUILD_PATHS})
# Large-address-aware: on 64-bit Windows the 32-bit program may use 4 GB, for the largest vaults.
target_link_options(Vellumkeep PRIVATE -Wl,--large-address-aware $<$<CONFIG:Release>:-s>)
find_program(VK_OBJDUMP NAMES ${CMAKE_OBJDUMP} i686-w64-mingw32-objdump)
add_test(NAME ShippedProgram.IsLargeAddressAware
  COMMAND sh -c "'${VK_OBJDUMP}' -p '$<TARGET_FILE:Vellumkeep>' | grep -q 'large address aware'")

# GoogleTest from the sources Debian ships, built for Windows.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Vaults as tests and benchmarks write and read them, and a file system tests make fail.
add_library(vk_test_samples STATIC tests/common/vault_samples.cpp tests/common/failing_file_system.cpp)
target_include_directories(vk_test_samples PUBLIC tests/common)
target_link_libraries(vk_test_samples PUBLIC vk_app)

file(GLOB VK_WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/win/*.cpp)
add_executable(vk_win_tests ${VK_WIN_TEST_SOURCES} $<TARGET_OBJECTS:vk_resources>)
target_include_directories(vk_win_tests PRIVATE tests/win)
target_link_libraries(vk_win_tests PRIVATE vk_test_samples gtest)
gtest_discover_tests(vk_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  TEST_FILTER "-SaveFaultTest.AFull*:SaveFaultTest.AFolder*"
  PROPERTIES ENVIRONMENT "VK_WINE_MODE=null" TIMEOUT 120)
# Saves into a full disk and a read-only folder: real small file systems, mounted by a script.
add_test(NAME SaveFaultTest.FullDiskAndReadOnlyFolder
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/faults/faulty_folders.sh $<TARGET_FILE:vk_win_tests>)
set_tests_properties(SaveFaultTest.FullDiskAndReadOnlyFolder PROPERTIES ENVIRONMENT "VK_WINE_MODE=null"
  TIMEOUT 120 SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
