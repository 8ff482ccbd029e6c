# Qt's headers are most of what each of our files compiles, and parsing them is
# most of the build. They are precompiled once for each large library and once for
# each test folder: the tests of one folder share every flag (Qt Test's folder
# macros included), so one precompiled header serves them all.
option(FERRY_PCH "Precompile Qt's headers for the large libraries and the tests" ON)

set(FERRY_PCH_CORE <QByteArray> <QHash> <QHostAddress> <QList> <QObject> <QString> <QStringList> <QTimer>
                   <QUdpSocket> <functional> <memory> <optional>)
set(FERRY_PCH_WIDGETS ${FERRY_PCH_CORE} <QApplication> <QDialog> <QImage> <QPainter> <QWidget>)

# A library compiles its own precompiled header from `headers` (CORE or WIDGETS).
function(ferry_precompile_library target headers)
  if(FERRY_PCH)
    target_precompile_headers(${target} PRIVATE ${FERRY_PCH_${headers}})
  endif()
endfunction()

# The first test program of a folder compiles the folder's precompiled header;
# the others reuse it.
function(ferry_precompile_test target)
  if(NOT FERRY_PCH)
    return()
  endif()
  get_directory_property(first FERRY_PCH_TEST)
  if(first)
    target_precompile_headers(${target} REUSE_FROM ${first})
  else()
    target_precompile_headers(${target} PRIVATE ${FERRY_PCH_WIDGETS} <QTest>)
    set_directory_properties(PROPERTIES FERRY_PCH_TEST ${target})
  endif()
endfunction()
