// obs.dll as tessaro-obs needs it, standing in for OBS Studio's under Wine: sources registered
// and created, settings with defaults, properties with their modified callbacks, the module's
// locale from its data folder, the log.
#include "obs_standin.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessaro::obs {

struct Data {
  struct Item {
    bool hasValue = false, hasDefault = false;
    long long value = 0, defaultValue = 0;
  };
  int refs = 1;
  std::map<std::string, Item> items;

  long long Get(const char* name) const {
    const auto it = items.find(name);
    if (it == items.end()) return 0;
    return it->second.hasValue ? it->second.value
                               : (it->second.hasDefault ? it->second.defaultValue : 0);
  }
};

struct Module {
  std::string data;
};

struct Source {
  SourceInfo info{};
  std::string name;
  Data* settings = nullptr;
  void* data = nullptr;
  Source* parent = nullptr;
};

struct Property {
  Properties* owner = nullptr;
  std::string name, description, longDescription, suffix;
  PropertyFacts facts{};
  PropertyModified modified = nullptr;
};

struct Properties {
  void* param = nullptr;
  void (*destroy)(void*) = nullptr;
  std::vector<std::unique_ptr<Property>> list;
};

struct Lookup {
  std::map<std::string, std::string> strings;
};

namespace {

std::map<std::string, SourceInfo>& Types() {
  static std::map<std::string, SourceInfo> types;
  return types;
}

std::vector<std::string>& Log() {
  static std::vector<std::string> lines;
  return lines;
}

Property* Add(Properties* props, const char* name, const char* description, int kind) {
  auto p = std::make_unique<Property>();
  p->owner = props;
  p->name = name != nullptr ? name : "";
  p->description = description != nullptr ? description : "";
  p->facts.kind = kind;
  props->list.push_back(std::move(p));
  return props->list.back().get();
}

// key="value" lines; the later file's strings replace the earlier's.
void ReadLocale(const std::string& path, Lookup* lookup) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    lookup->strings[line.substr(0, eq)] = value;
  }
}

Data* CopyOf(const Data* data) {
  auto* copy = new Data;
  if (data != nullptr) copy->items = data->items;
  return copy;
}

}  // namespace

extern "C" {

void obs_register_source_s(const SourceInfo* info, std::size_t size) {
  SourceInfo copy{};
  std::memcpy(&copy, info, std::min(size, sizeof copy));
  Types()[copy.id] = copy;
}

void blog(int level, const char* format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  Log().emplace_back(line);
  if (level <= kLogWarning) std::fprintf(stderr, "obs.dll: %s\n", line);
}

Data* obs_data_create() {
  return new Data;
}

void obs_data_release(Data* data) {
  if (data != nullptr && --data->refs == 0) delete data;
}

long long obs_data_get_int(Data* data, const char* name) {
  return data != nullptr ? data->Get(name) : 0;
}

bool obs_data_get_bool(Data* data, const char* name) {
  return obs_data_get_int(data, name) != 0;
}

void obs_data_set_int(Data* data, const char* name, long long value) {
  Data::Item& item = data->items[name];
  item.hasValue = true;
  item.value = value;
}

void obs_data_set_bool(Data* data, const char* name, bool value) {
  obs_data_set_int(data, name, value ? 1 : 0);
}

void obs_data_set_default_int(Data* data, const char* name, long long value) {
  Data::Item& item = data->items[name];
  item.hasDefault = true;
  item.defaultValue = value;
}

void obs_data_set_default_bool(Data* data, const char* name, bool value) {
  obs_data_set_default_int(data, name, value ? 1 : 0);
}

Data* obs_source_get_settings(const Source* source) {
  ++source->settings->refs;
  return source->settings;
}

const char* obs_source_get_name(const Source* source) {
  return source->name.c_str();
}

Source* obs_filter_get_parent(const Source* filter) {
  return filter->parent;
}

Properties* obs_properties_create_param(void* param, void (*destroy)(void* param)) {
  auto* props = new Properties;
  props->param = param;
  props->destroy = destroy;
  return props;
}

void* obs_properties_get_param(Properties* props) {
  return props->param;
}

void obs_properties_destroy(Properties* props) {
  if (props == nullptr) return;
  if (props->destroy != nullptr) props->destroy(props->param);
  delete props;
}

Property* obs_properties_add_int_slider(Properties* props, const char* name,
                                        const char* description, int min, int max, int step) {
  Property* p = Add(props, name, description, 0);
  p->facts.min = min;
  p->facts.max = max;
  p->facts.step = step;
  return p;
}

Property* obs_properties_add_bool(Properties* props, const char* name, const char* description) {
  return Add(props, name, description, 1);
}

Property* obs_properties_add_text(Properties* props, const char* name, const char* description,
                                  TextType type) {
  Property* p = Add(props, name, description, 2);
  p->facts.textType = type;
  return p;
}

Property* obs_properties_get(Properties* props, const char* name) {
  for (const auto& p : props->list) {
    if (p->name == name) return p.get();
  }
  return nullptr;
}

void obs_property_set_modified_callback(Property* property, PropertyModified modified) {
  property->modified = modified;
}

void obs_property_set_long_description(Property* property, const char* description) {
  property->longDescription = description != nullptr ? description : "";
}

void obs_property_int_set_suffix(Property* property, const char* suffix) {
  property->suffix = suffix != nullptr ? suffix : "";
}

const char* obs_property_name(Property* property) {
  return property->name.c_str();
}

bool obs_property_modified(Property* property, Data* settings) {
  return property->modified != nullptr && property->modified(property->owner, property, settings);
}

Lookup* obs_module_load_locale(Module* module, const char* defaultLocale, const char* locale) {
  if (module == nullptr) return nullptr;
  auto* lookup = new Lookup;
  ReadLocale(module->data + "/locale/" + defaultLocale + ".ini", lookup);
  if (locale != nullptr && std::strcmp(locale, defaultLocale) != 0) {
    ReadLocale(module->data + "/locale/" + locale + ".ini", lookup);
  }
  return lookup;
}

bool text_lookup_getstr(Lookup* lookup, const char* key, const char** out) {
  if (lookup == nullptr) return false;
  const auto it = lookup->strings.find(key);
  if (it == lookup->strings.end()) return false;
  *out = it->second.c_str();
  return true;
}

void text_lookup_destroy(Lookup* lookup) {
  delete lookup;
}

Module* standin_module(const char* dataFolder) {
  return new Module{dataFolder};
}

const SourceInfo* standin_source_type(const char* id) {
  const auto it = Types().find(id);
  return it != Types().end() ? &it->second : nullptr;
}

Source* standin_create(const char* id, const char* name, Data* settings, Source* parent) {
  const SourceInfo* type = standin_source_type(id);
  if (type == nullptr) return nullptr;
  auto* source = new Source;
  source->info = *type;
  source->name = name;
  source->parent = parent;
  source->settings = CopyOf(settings);
  if (type->getDefaults != nullptr) type->getDefaults(source->settings);
  source->data = type->create(source->settings, source);
  return source;
}

void standin_destroy(Source* source) {
  if (source == nullptr) return;
  if (source->data != nullptr) source->info.destroy(source->data);
  obs_data_release(source->settings);
  delete source;
}

void standin_update(Source* source, Data* settings) {
  for (const auto& [name, item] : settings->items) {
    if (item.hasValue) obs_data_set_int(source->settings, name.c_str(), item.value);
  }
  if (source->info.update != nullptr) source->info.update(source->data, source->settings);
}

SourceFrame* standin_filter_video(Source* filter, SourceFrame* frame) {
  return filter->info.filterVideo(filter->data, frame);
}

Properties* standin_properties(Source* source) {
  Properties* props = source->info.getProperties(source->data);
  if (props == nullptr) return nullptr;
  for (const auto& p : props->list) obs_property_modified(p.get(), source->settings);
  return props;
}

Property* standin_property_at(Properties* props, int index) {
  return index >= 0 && index < static_cast<int>(props->list.size())
             ? props->list[static_cast<std::size_t>(index)].get()
             : nullptr;
}

const char* standin_property_name(Property* property) {
  return property->name.c_str();
}

PropertyFacts standin_property_facts(Property* property) {
  PropertyFacts facts = property->facts;
  facts.description = property->description.c_str();
  facts.longDescription = property->longDescription.c_str();
  facts.suffix = property->suffix.c_str();
  return facts;
}

long long standin_default_int(const char* id, const char* name) {
  const SourceInfo* type = standin_source_type(id);
  Data defaults;
  if (type != nullptr && type->getDefaults != nullptr) type->getDefaults(&defaults);
  return defaults.Get(name);
}

bool standin_default_bool(const char* id, const char* name) {
  return standin_default_int(id, name) != 0;
}

int standin_log_lines(const char* part, const char* other) {
  return static_cast<int>(std::count_if(Log().begin(), Log().end(), [&](const std::string& l) {
    return l.find(part) != std::string::npos && l.find(other) != std::string::npos;
  }));
}

}  // extern "C"

}  // namespace tessaro::obs
