// The rules the module's functions take their arguments by: numbers and
// arrays of numbers broadcast together by numpy's rules, the names of model
// options, task texts and command-line items. Each refusal names the argument
// (and, in an array, the first offending index): TypeError for a value of the
// wrong kind, ValueError for a value of the right kind that cannot be used.
// Shared by every binding source of the module.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "helisolv/open_water.hpp"
#include "helisolv/task.hpp"

namespace helisolv::python {

namespace py = pybind11;

[[noreturn]] void badValue(const std::string& text);
[[noreturn]] void badType(const std::string& text);

// The type name of a Python value, for messages.
std::string typeName(const py::handle& value);

// A 32-bit value as the shortest text that reads back to it, for messages.
std::string realText(float value);

// A numeric argument as the 32-bit values the library takes, in its own shape
// and C order. Each element is the value the scalar path would take: the
// number as a double, rounded once to float.
struct RealArray {
  std::string name;
  std::vector<py::ssize_t> shape;
  std::vector<float> values;
  bool scalar() const { return shape.empty(); }
  // "name" for a scalar, "name[i, j]" for an element of an array.
  std::string at(std::size_t flat) const;
};

// A number or an array-like of numbers (bool, integer or real dtype, any byte
// order and layout). None, str, bytes, bytearray, memoryview and arrays of
// other dtypes (strings, datetime, complex, object) raise TypeError; a value
// that is not finite once rounded to 32 bits raises ValueError.
RealArray realArray(const py::handle& value, const char* name);

// Further element checks, each a ValueError naming the first element that fails.
void requirePositive(const RealArray& a);
void requireAtLeast(const RealArray& a, float least);

// The shape all arrays broadcast to by numpy's rules; ValueError naming the two
// that do not fit.
std::vector<py::ssize_t> broadcastShape(const std::vector<const RealArray*>& arrays);

// Walks the broadcast shape in C order one row of its last axis at a time:
// visit(offsets, strides, length, first) with, for each array, the element
// offset of the row's first point and the stride along the row (0 where the
// array is broadcast along it), the row's length and the flat index of its
// first point in the broadcast shape. visit returns false to stop the walk.
template <class Visit>
void forEachRow(const std::vector<const RealArray*>& arrays, const std::vector<py::ssize_t>& shape,
                Visit&& visit);

// The element of array a, in its own C order, at a flat index of the
// broadcast shape.
std::size_t elementAt(const RealArray& a, const std::vector<py::ssize_t>& shape, std::size_t flat);

// The values a model option of the command line takes ("viscous-correction",
// "gawn-model"), from the one table of the options, and as a quoted list.
std::vector<std::string> optionValues(std::string_view option);
std::string choices(std::string_view option);

// The series named ("wageningen" or "gawn") with its Gawn model.
SeriesModel seriesArgument(const std::string& series, const py::object& gawnModel);

// A keyword argument naming a value of a model option, set in models.
void modelArgument(const py::object& value, const char* name, std::string_view option,
                   ModelOptions& models);

// A task file's text or the console answers: str (taken as UTF-8), bytes,
// bytearray or memoryview (the bytes as they stand).
std::string textArgument(const py::handle& value, const char* name);

// The command-line items of a run: each str is taken as UTF-8 text, each
// bytes or os.PathLike item as a path (its bytes as the file system names it).
// A NUL byte in an item, a str that is not valid UTF-8 and a sequence of any
// other kind raise ValueError naming the item.
std::vector<std::string> argsArgument(const py::handle& args);

// ---- implementation of the row walk ----

template <class Visit>
void forEachRow(const std::vector<const RealArray*>& arrays, const std::vector<py::ssize_t>& shape,
                Visit&& visit) {
  const std::size_t n = shape.size();
  const std::size_t count = arrays.size();
  for (py::ssize_t extent : shape)
    if (extent == 0) return;
  // Each array's element stride along every axis of the broadcast shape, 0
  // where it has no such axis or a length of 1.
  std::vector<std::vector<std::size_t>> strides(count, std::vector<std::size_t>(n, 0));
  for (std::size_t a = 0; a < count; ++a) {
    const auto& own = arrays[a]->shape;
    std::size_t step = 1;
    for (std::size_t k = own.size(); k-- > 0;) {
      const std::size_t axis = n - own.size() + k;
      if (own[k] != 1) strides[a][axis] = step;
      step *= static_cast<std::size_t>(own[k]);
    }
  }
  const std::size_t length = n == 0 ? 1 : static_cast<std::size_t>(shape[n - 1]);
  std::vector<std::size_t> inner(count, 0), offsets(count, 0);
  for (std::size_t a = 0; a < count; ++a)
    if (n > 0) inner[a] = strides[a][n - 1];
  std::vector<py::ssize_t> index(n > 0 ? n - 1 : 0, 0);
  std::size_t first = 0;
  while (true) {
    if (!visit(offsets, inner, length, first)) return;
    first += length;
    // The next row: the odometer over every axis but the last.
    std::size_t axis = index.size();
    while (axis > 0) {
      --axis;
      if (++index[axis] < shape[axis]) {
        for (std::size_t a = 0; a < count; ++a) offsets[a] += strides[a][axis];
        break;
      }
      for (std::size_t a = 0; a < count; ++a)
        offsets[a] -= strides[a][axis] * static_cast<std::size_t>(shape[axis] - 1);
      index[axis] = 0;
      if (axis == 0) return;
    }
    if (index.empty()) return;
  }
}

}  // namespace helisolv::python
