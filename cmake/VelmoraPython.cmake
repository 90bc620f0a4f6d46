# The Python module velmora._velmora, built when pybind11 and Python's headers
# are found for the interpreter that has pybind11: Debian's own python3 by
# default (VELMORA_PYTHON_EXECUTABLE chooses another). Skipped, with one line
# saying why, otherwise. The module and the package's Python files go to
# ${PROJECT_BINARY_DIR}/python, so that PYTHONPATH=build/python imports it.
set(VELMORA_PYTHON_SKIPPED "")
if(EXISTS /usr/bin/python3)
  set(_velmora_python /usr/bin/python3)
else()
  find_program(_velmora_python python3)
endif()
set(VELMORA_PYTHON_EXECUTABLE "${_velmora_python}" CACHE FILEPATH "Python interpreter of the Python module")
if(NOT VELMORA_PYTHON_EXECUTABLE)
  set(VELMORA_PYTHON_SKIPPED "no python3 found")
else()
  execute_process(
    COMMAND ${VELMORA_PYTHON_EXECUTABLE} -c "import pybind11; print(pybind11.get_cmake_dir(), end='')"
    OUTPUT_VARIABLE _velmora_pybind11_dir RESULT_VARIABLE _velmora_rc ERROR_QUIET)
  if(NOT _velmora_rc EQUAL 0)
    set(VELMORA_PYTHON_SKIPPED "pybind11 not found for ${VELMORA_PYTHON_EXECUTABLE} (tools/install-deps --python installs it)")
  else()
    set(Python_EXECUTABLE ${VELMORA_PYTHON_EXECUTABLE})
    find_package(Python 3.8 COMPONENTS Interpreter Development.Module QUIET)
    if(NOT Python_Development.Module_FOUND)
      set(VELMORA_PYTHON_SKIPPED "no Python headers for ${VELMORA_PYTHON_EXECUTABLE} (python3-dev)")
    else()
      set(PYBIND11_FINDPYTHON ON)
      find_package(pybind11 CONFIG QUIET HINTS ${_velmora_pybind11_dir})
      if(NOT pybind11_FOUND)
        set(VELMORA_PYTHON_SKIPPED "pybind11's CMake files not found in ${_velmora_pybind11_dir}")
      endif()
    endif()
  endif()
endif()

if(VELMORA_PYTHON_SKIPPED)
  message(STATUS "Python module: skipped: ${VELMORA_PYTHON_SKIPPED}")
  return()
endif()
message(STATUS "Python module: built for ${VELMORA_PYTHON_EXECUTABLE}")

# The core again, position-independent for a shared module; the tool's own
# library stays as it is.
add_library(velmora_core_pic OBJECT ${VELMORA_SOURCES})
set_target_properties(velmora_core_pic PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(velmora_core_pic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmora_core_pic PUBLIC ZLIB::ZLIB Threads::Threads)
# NO_EXTRAS: no link-time optimisation, which could merge code built with
# and without the floating-point flags.
pybind11_add_module(_velmora MODULE NO_EXTRAS ${PROJECT_SOURCE_DIR}/src/frontend/python/VelmoraPython.cpp)
target_link_libraries(_velmora PRIVATE velmora_core_pic)
set(VELMORA_PYTHON_DIR ${PROJECT_BINARY_DIR}/python)
set_target_properties(_velmora PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VELMORA_PYTHON_DIR}/velmora)
file(GLOB _velmora_package CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/velmora/*)
foreach(file ${_velmora_package})
  get_filename_component(name ${file} NAME)
  configure_file(${file} ${VELMORA_PYTHON_DIR}/velmora/${name} COPYONLY)
endforeach()
