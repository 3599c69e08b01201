# Native build of the portable code, with AddressSanitizer and UndefinedBehaviorSanitizer.
find_package(GTest REQUIRED)

option(VK_SANITIZE "Build the native tests with ASan and UBSan" ON)
if(VK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(vk_portable STATIC ${VK_PORTABLE_SOURCES})
target_include_directories(vk_portable PUBLIC src)
# Vaults as tests and benchmarks write and read them, and the POSIX file system they use.
add_library(vk_test_samples STATIC tests/common/vault_samples.cpp tests/common/posix_file_system.cpp)
target_include_directories(vk_test_samples PUBLIC tests/common)
target_link_libraries(vk_test_samples PUBLIC vk_portable)

file(GLOB VK_NATIVE_TEST_SOURCES CONFIGURE_DEPENDS tests/native/*.cpp)
add_executable(vk_native_tests ${VK_NATIVE_TEST_SOURCES})
target_link_libraries(vk_native_tests PRIVATE vk_test_samples GTest::gtest GTest::gtest_main)
# The layer test reads the guide and the sources where they stand.
target_compile_definitions(vk_native_tests PRIVATE VK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(vk_native_tests DISCOVERY_MODE PRE_TEST)

# The vault reader once more, with its portable scan in place of the wide one the machine offers.
add_executable(vk_native_portable_scan_tests tests/native/vault_format_test.cpp tests/common/vault_samples.cpp
               src/vault/vault_format.cpp src/vault/fingerprint.cpp src/vault/entry_rules.cpp src/vault/vault_store.cpp
               src/vault/encrypted_vault.cpp tests/common/posix_file_system.cpp src/platform/wipe.cpp)
target_compile_definitions(vk_native_portable_scan_tests PRIVATE VK_PORTABLE_SCAN)
target_include_directories(vk_native_portable_scan_tests PRIVATE src tests/common)
target_link_libraries(vk_native_portable_scan_tests PRIVATE GTest::gtest GTest::gtest_main)
gtest_discover_tests(vk_native_portable_scan_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "PortableScan.")

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
