# Fails when a source file includes a QtWidgets header. Run as a build step:
#   cmake -DSOURCES="a.cpp;b.h" -DSTAMP=out.stamp -P check_no_widgets.cmake
foreach(file ${SOURCES})
  file(STRINGS ${file} widget_includes
       REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets/|QWidget|QApplication|QMainWindow|QDialog|QMessageBox|QFileDialog|QPushButton|QLabel|QLineEdit|QPlainTextEdit|QTextEdit|QComboBox|QListWidget|QScrollBar|QSplitter|QLayout|QBoxLayout|QVBoxLayout|QHBoxLayout|QGridLayout|QProgressBar|QToolButton|QAction)")
  if(widget_includes)
    message(FATAL_ERROR "${file} includes a Qt Widgets header (${widget_includes}): this folder must build without widgets")
  endif()
endforeach()
file(TOUCH ${STAMP})
