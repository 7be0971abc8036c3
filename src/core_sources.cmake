# The portable core's sources, from reading the log to the spreadsheet text: the one list, used
# by the main build (src/CMakeLists.txt) and by the fuzz targets (fuzz/CMakeLists.txt).
# Replacing and rewriting files, and the system's words for a failure, differ between systems:
# their POSIX and Windows halves are chosen here.
set(Q9XZ_CORE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(Q9XZ_CORE_SOURCES
    common/choice_switches.cpp
    common/file_replacement.cpp
    common/local_day_cache.cpp
    common/local_time.cpp
    common/native_path.cpp
    common/text.cpp
    adif/adif_record.cpp
    adif/line_reader.cpp
    adif/parse_adif.cpp
    adif/record_arena.cpp
    analysis/evaluate_qso.cpp
    analysis/message_lists.cpp
    analysis/state_tally.cpp
    analysis/tables.cpp
    convert/conversion.cpp
    convert/convert_adif.cpp
    convert/output_file.cpp
    results/csv_writer.cpp
    results/state_map.cpp
    results/summary.cpp)
if(WIN32)
    list(APPEND Q9XZ_CORE_SOURCES common/file_replacement_win32.cpp common/system_error_win32.cpp)
else()
    list(APPEND Q9XZ_CORE_SOURCES common/file_replacement_posix.cpp common/system_error_posix.cpp)
endif()
list(TRANSFORM Q9XZ_CORE_SOURCES PREPEND ${Q9XZ_CORE_DIR}/)
