# SPDX-License-Identifier: GPL-3.0-or-later
cmake_policy(SET CMP0057 NEW)
# Writes a test's .moc for the Qt Test stand-in: the list of its test
# functions, the private slots in the order they are declared, each with its
# _data function where it has one.
#   cmake -DSOURCE=tst_x.cpp -DOUTPUT=tst_x.moc -P test_functions.cmake
file(READ ${SOURCE} source)
string(REGEX MATCH "class ([A-Za-z0-9_]+) : public QObject" class_line "${source}")
set(test ${CMAKE_MATCH_1})
string(REGEX MATCH "private slots:([^}]*)}" slots "${source}")
string(REGEX MATCHALL "void [A-Za-z0-9_]+\\(\\)" declarations "${CMAKE_MATCH_1}")
set(names)
foreach(declaration ${declarations})
    string(REGEX REPLACE "void ([A-Za-z0-9_]+)\\(\\)" "\\1" name "${declaration}")
    list(APPEND names ${name})
endforeach()
set(entries)
foreach(name ${names})
    if(name MATCHES "_data$")
        continue()
    endif()
    set(data nullptr)
    if("${name}_data" IN_LIST names)
        set(data "[](void* t) { static_cast<${test}*>(t)->${name}_data(); }")
    endif()
    string(APPEND entries "        {\"${name}\", ${data}, [](void* t) { static_cast<${test}*>(t)->${name}(); }},\n")
endforeach()
file(WRITE ${OUTPUT}.new "// Written by test_functions.cmake from ${SOURCE}\nstd::vector<::QTest::Function> ${test}::QtTestFunctions() {\n    return {\n${entries}    };\n}\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
