#include "arguments.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "helisolv/model_options.hpp"

namespace helisolv::python {

void badValue(const std::string& text) {
  throw py::value_error(text);
}

void badType(const std::string& text) {
  throw py::type_error(text);
}

std::string typeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

std::string realText(float value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ptr);
}

std::string RealArray::at(std::size_t flat) const {
  if (shape.empty()) return name;
  std::vector<py::ssize_t> index(shape.size());
  for (std::size_t k = shape.size(); k-- > 0;) {
    const auto extent = static_cast<std::size_t>(shape[k]);
    index[k] = static_cast<py::ssize_t>(flat % extent);
    flat /= extent;
  }
  std::string text = name + "[";
  for (std::size_t k = 0; k < index.size(); ++k) text += (k ? ", " : "") + std::to_string(index[k]);
  return text + "]";
}

namespace {

// The text of a 32-bit value as Python prints the double it came from.
std::string shown(double value) {
  return py::repr(py::float_(value));
}

}  // namespace

RealArray realArray(const py::handle& value, const char* name) {
  // Text and raw bytes are never numbers, though numpy would make an array of
  // a bytearray's bytes.
  if (value.is_none() || py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
      py::isinstance<py::bytearray>(value) || py::isinstance<py::memoryview>(value))
    badType(std::string(name) + " must be a number or an array of numbers, not " + typeName(value));
  const py::module_ np = py::module_::import("numpy");
  py::object asArray;
  try {
    asArray = np.attr("asarray")(value);
  } catch (const py::error_already_set&) {
    badType(std::string(name) + " must be a number or an array of numbers, not " + typeName(value));
  }
  const auto array = py::reinterpret_borrow<py::array>(asArray);
  const char kind = array.dtype().kind();
  // A Python integer beyond 64 bits is still a number.
  const bool bigInteger = kind == 'O' && array.ndim() == 0 && py::isinstance<py::int_>(value);
  if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f' && !bigInteger)
    badType(std::string(name) + " must be a number or an array of numbers, not " +
            (array.ndim() == 0 ? typeName(value)
                               : "an array of dtype " + std::string(py::str(array.dtype()))));
  RealArray out;
  out.name = name;
  out.shape.assign(array.shape(), array.shape() + array.ndim());
  // float16 and float32 are float32 already; everything else goes through a
  // double, as a Python number does.
  const bool single = kind == 'f' && array.dtype().itemsize() <= 4;
  py::object contiguous;
  try {
    contiguous =
        np.attr("ascontiguousarray")(bigInteger ? np.attr("asarray")(value, "float64") : asArray,
                                     single ? np.attr("float32") : np.attr("float64"));
  } catch (const py::error_already_set&) {
    // An integer too large even for a double.
    badValue(std::string(name) + " must be a finite number within the 32-bit range, not " +
             std::string(py::repr(value)).substr(0, 40));
  }
  const auto data = py::reinterpret_borrow<py::array>(contiguous);
  const auto size = static_cast<std::size_t>(data.size());
  out.values.resize(size);
  if (single) {
    std::memcpy(out.values.data(), data.data(), size * sizeof(float));
  } else {
    const auto* doubles = static_cast<const double*>(data.data());
    for (std::size_t i = 0; i < size; ++i) out.values[i] = static_cast<float>(doubles[i]);
    for (std::size_t i = 0; i < size; ++i)
      if (!std::isfinite(out.values[i]))
        badValue(out.at(i) + " must be a finite number within the 32-bit range, not " +
                 shown(doubles[i]));
  }
  for (std::size_t i = 0; i < size; ++i)
    if (!std::isfinite(out.values[i]))
      badValue(out.at(i) + " must be a finite number, not " +
               shown(static_cast<double>(out.values[i])));
  return out;
}

void requirePositive(const RealArray& a) {
  for (std::size_t i = 0; i < a.values.size(); ++i)
    if (!(a.values[i] > 0.0f))
      badValue(a.at(i) + " must be positive, not " + realText(a.values[i]));
}

void requireAtLeast(const RealArray& a, float least) {
  for (std::size_t i = 0; i < a.values.size(); ++i)
    if (!(a.values[i] >= least))
      badValue(a.at(i) + " must be at least " + shown(static_cast<double>(least)) + ", not " +
               shown(static_cast<double>(a.values[i])));
}

namespace {

std::string shapeText(const std::vector<py::ssize_t>& shape) {
  std::string text = "(";
  for (std::size_t k = 0; k < shape.size(); ++k) text += (k ? ", " : "") + std::to_string(shape[k]);
  return text + (shape.size() == 1 ? ",)" : ")");
}

}  // namespace

std::vector<py::ssize_t> broadcastShape(const std::vector<const RealArray*>& arrays) {
  std::size_t n = 0;
  for (const RealArray* a : arrays) n = std::max(n, a->shape.size());
  std::vector<py::ssize_t> shape(n, 1);
  std::vector<const RealArray*> from(n, nullptr);
  for (const RealArray* a : arrays) {
    const std::size_t pad = n - a->shape.size();
    for (std::size_t k = 0; k < a->shape.size(); ++k) {
      const py::ssize_t extent = a->shape[k];
      py::ssize_t& target = shape[pad + k];
      if (extent == target || extent == 1) continue;
      if (target != 1)
        badValue(from[pad + k]->name + " of shape " + shapeText(from[pad + k]->shape) + " and " +
                 a->name + " of shape " + shapeText(a->shape) + " cannot be broadcast together");
      target = extent;
      from[pad + k] = a;
    }
  }
  return shape;
}

std::size_t elementAt(const RealArray& a, const std::vector<py::ssize_t>& shape, std::size_t flat) {
  const std::size_t n = shape.size();
  const std::size_t m = a.shape.size();  // the array's axes are the last m of the shape
  std::size_t element = 0, step = 1;
  for (std::size_t k = n; k-- > 0;) {
    const auto extent = static_cast<std::size_t>(shape[k]);
    const std::size_t i = flat % extent;
    flat /= extent;
    if (k < n - m) continue;
    const auto own = static_cast<std::size_t>(a.shape[k - (n - m)]);
    if (own != 1) element += i * step;
    step *= own;
  }
  return element;
}

std::vector<std::string> optionValues(std::string_view option) {
  std::vector<std::string> values;
  for (const ModelOptionValue& v : kModelOptionValues)
    if (v.option == option) values.emplace_back(v.value);
  return values;
}

std::string choices(std::string_view option) {
  std::string text;
  for (const std::string& value : optionValues(option))
    text += (text.empty() ? "\"" : ", \"") + value + "\"";
  return text;
}

void modelArgument(const py::object& value, const char* name, std::string_view option,
                   ModelOptions& models) {
  if (!py::isinstance<py::str>(value))
    badValue(std::string(name) + " must be one of " + choices(option) + ", not " + typeName(value));
  const auto text = value.cast<std::string>();
  if (!setModelOption(models, option, text))
    badValue(std::string(name) + " must be one of " + choices(option) + ", not \"" + text + "\"");
}

SeriesModel seriesArgument(const std::string& series, const py::object& gawnModel) {
  if (series != "wageningen" && series != "gawn")
    badValue("series must be \"wageningen\" or \"gawn\", not \"" + series + "\"");
  ModelOptions models;
  if (!gawnModel.is_none()) {
    if (series != "gawn") badValue("gawn_model: only the Gawn series has a Gawn model");
    modelArgument(gawnModel, "gawn_model", "gawn-model", models);
  }
  return {series == "gawn" ? Series::Gawn : Series::Wageningen, models.gawnModel};
}

std::string textArgument(const py::handle& value, const char* name) {
  if (py::isinstance<py::bytes>(value)) return value.cast<std::string>();
  if (py::isinstance<py::bytearray>(value) || py::isinstance<py::memoryview>(value)) {
    PyObject* bytes = PyBytes_FromObject(value.ptr());
    if (!bytes) throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(bytes).cast<std::string>();
  }
  if (py::isinstance<py::str>(value)) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (!utf8) {
      PyErr_Clear();
      badValue(std::string(name) + " is not valid UTF-8 text (it holds a lone surrogate)");
    }
    return std::string(utf8, static_cast<std::size_t>(size));
  }
  badValue(std::string(name) + " must be text (str, bytes, bytearray or memoryview), not " +
           typeName(value) +
           (std::string(name) == "task" ? "; give the task file's text, not its path" : ""));
}

std::vector<std::string> argsArgument(const py::handle& args) {
  if (py::isinstance<py::str>(args) || py::isinstance<py::bytes>(args) ||
      !py::isinstance<py::sequence>(args))
    badValue(
        "args must be a sequence of command-line arguments, e.g. (\"--csv\", \"out\"), "
        "not " +
        typeName(args));
  const py::module_ os = py::module_::import("os");
  std::vector<std::string> out;
  std::size_t i = 0;
  for (const py::handle item : args) {
    const std::string named = "args[" + std::to_string(i++) + "]";
    std::string text;
    if (py::isinstance<py::str>(item)) {
      Py_ssize_t size = 0;
      const char* utf8 = PyUnicode_AsUTF8AndSize(item.ptr(), &size);
      if (!utf8) {
        PyErr_Clear();
        badValue(named +
                 " is not valid UTF-8 text (it holds a lone surrogate); give a path "
                 "that is not UTF-8 as bytes");
      }
      text.assign(utf8, static_cast<std::size_t>(size));
    } else if (py::isinstance<py::bytes>(item) || py::hasattr(item, "__fspath__")) {
      // A path: the bytes the file system names it by (os.fsencode decodes a
      // str path the way the file system does).
      try {
        text = os.attr("fsencode")(os.attr("fspath")(item)).cast<std::string>();
      } catch (const py::error_already_set&) {
        badValue(named + " is a path that cannot be named in bytes");
      }
    } else {
      badValue(named + " must be str, bytes or a path (os.PathLike), not " + typeName(item));
    }
    // A NUL would cut the item short where it becomes a C string.
    if (text.find('\0') != std::string::npos) badValue(named + " holds a NUL character");
    out.push_back(std::move(text));
  }
  return out;
}

}  // namespace helisolv::python
