# The direction of the code is one way: the core (link/, decode/ and the
# run's operations in discovery/, params/ and logging/) never reaches up
# into the windows. Fails when a file in those folders includes an app/
# header, or when a source of the core library includes a Qt Widgets or Qt
# Gui header.
#   cmake -DSOURCE=<tree> -DCORE_LIST=<file listing the core sources> -P layering.cmake
file(READ "${CORE_LIST}" CORE)
set(problems "")
foreach(folder link decode discovery params logging)
    file(GLOB_RECURSE files "${SOURCE}/${folder}/*.h" "${SOURCE}/${folder}/*.cpp")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"app/")
        if(lines)
            file(RELATIVE_PATH rel "${SOURCE}" "${f}")
            list(APPEND problems "${rel} includes ${lines}")
        endif()
    endforeach()
endforeach()
set(widgets "QtWidgets|QtGui|QWidget|QDialog|QApplication|QGuiApplication|QMainWindow|QMessageBox|QFileDialog|QProgressDialog|QAction|QMenu|QComboBox|QLineEdit|QCheckBox|QPushButton|QAbstractButton|QLabel|QListWidget|QTreeWidget|QTreeView|QTableView|QListView|QTabWidget|QTabBar|QSplitter|QScrollArea|QGroupBox|QStatusBar|QProgressBar|QPainter|QPixmap|QImage|QColor|QFont|QKeyEvent|QScreen|QClipboard")
foreach(f IN LISTS CORE)
    if(NOT IS_ABSOLUTE "${f}")
        set(f "${SOURCE}/${f}")
    endif()
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<(${widgets})[>/]")
    if(lines)
        file(RELATIVE_PATH rel "${SOURCE}" "${f}")
        list(APPEND problems "${rel} (core) includes ${lines}")
    endif()
endforeach()
if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "layering broken:\n  ${text}")
endif()
