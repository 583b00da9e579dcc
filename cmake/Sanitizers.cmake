# Sanitizer switches shared by every target of the build tree.
if(ZELMORA_SANITIZE AND ZELMORA_TSAN)
  message(FATAL_ERROR "ZELMORA_SANITIZE and ZELMORA_TSAN cannot be combined")
endif()
if(ZELMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZELMORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# zelmora_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# Every test runs with the offscreen Qt platform so no display is needed.
function(zelmora_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  # A test's QObject classes live in its .cpp, which includes "<name>.moc".
  # moc is run on that file alone: AUTOMOC would hand it every system
  # include folder, and it would read the whole standard library for each
  # test (three seconds a test instead of a few milliseconds).
  set_target_properties(${T_NAME} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  set(moc_dir ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_moc)
  foreach(src IN LISTS T_SOURCES)
    if(NOT src MATCHES "\\.cpp$")
      continue()
    endif()
    get_filename_component(path ${src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(STRINGS ${path} qobject REGEX "Q_OBJECT" LIMIT_COUNT 1)
    if(qobject)
      get_filename_component(base ${src} NAME_WE)
      add_custom_command(OUTPUT ${moc_dir}/${base}.moc
        COMMAND Qt6::moc ${path} -o ${moc_dir}/${base}.moc
        DEPENDS ${path} Qt6::moc
        COMMENT "moc ${src}" VERBATIM)
      target_sources(${T_NAME} PRIVATE ${moc_dir}/${base}.moc)
      set_source_files_properties(${moc_dir}/${base}.moc PROPERTIES HEADER_FILE_ONLY ON)
      target_include_directories(${T_NAME} PRIVATE ${moc_dir})
    endif()
  endforeach()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    # A desktop-sized screen: the windows are placed and sized to fit the
    # screen, and the offscreen platform's own is only 800 x 800.
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/data/offscreen-1280x1024.json;ZELMORA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    TIMEOUT 300)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
