# zuvaro_add_test(<source.cpp> [GUI] [MEASURES_MEMORY] [LIBS libs...] [LABELS labels...] [TIMEOUT s])
# Names the test after its file, runs it headless and in a data root of its own.
# MEASURES_MEMORY: the test checks its peak resident size, so a sanitizer build must hand
# freed memory back at once rather than keep it in quarantine.
# The embedded engine of the tests keeps its lock files in the build folder, never in the
# machine's shared folder where a Firebird server would trip over them.
set(ZUVARO_TEST_ENGINE_LOCK ${PROJECT_BINARY_DIR}/fblock)
file(MAKE_DIRECTORY ${ZUVARO_TEST_ENGINE_LOCK})

# The environment of one test: headless, the build tree's engine lock folder, and a session
# folder and settings folder of its own in the build tree. Without them Qt makes
# /tmp/runtime-<user> for a user without a login session, and settings written before or
# after the test's temporary root exists would land in the user's home.
function(zuvaro_test_environment name asan out)
    set(home ${PROJECT_BINARY_DIR}/test-home/${name})
    file(MAKE_DIRECTORY ${home}/runtime ${home}/config)
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(${out} "QT_QPA_PLATFORM=offscreen;ZUVARO_TEST=1;ASAN_OPTIONS=${asan};FIREBIRD_LOCK=${ZUVARO_TEST_ENGINE_LOCK};XDG_RUNTIME_DIR=${home}/runtime;XDG_CONFIG_HOME=${home}/config" PARENT_SCOPE)
endfunction()

function(zuvaro_add_test source)
    cmake_parse_arguments(T "GUI;MEASURES_MEMORY" "TIMEOUT" "LIBS;LABELS;SOURCES" ${ARGN})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} ${T_SOURCES})
    set(libs zuvaro_testsupport)
    if(T_GUI)
        list(APPEND libs zuvaro_gui)
    endif()
    target_link_libraries(${name} PRIVATE ${libs} ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(asan detect_leaks=0)
    if(T_MEASURES_MEMORY)
        string(APPEND asan ":quarantine_size_mb=0")
    endif()
    zuvaro_test_environment(${name} ${asan} env)
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "${env}"
        LABELS "${T_LABELS}")
endfunction()
