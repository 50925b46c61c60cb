// Our stand-in for OBS Studio's obs.dll on Windows, where no OBS can run here: it exports the
// libobs functions tessaro-obs imports (tools/obs/obs.def), with the behaviour the plug-in
// relies on, and these for the test host that drives it. Single-threaded, as the host is.
#pragma once

#include "obs_api.h"

namespace tessaro::obs {

extern "C" {
// Functions libobs has under these names, which the plug-in does not call.
Data* obs_data_create();
void obs_data_set_bool(Data* data, const char* name, bool value);
bool obs_property_modified(Property* property, Data* settings);
Property* obs_properties_get(Properties* props, const char* name);
void obs_properties_destroy(Properties* props);

// The module's data folder, as OBS passes it to obs_module_load_locale through the module.
Module* standin_module(const char* dataFolder);

// The source types registered so far, by id (null when none has it).
const SourceInfo* standin_source_type(const char* id);

// A source of a registered type, made as obs_source_create does: its settings are the type's
// defaults overlaid with `settings` (which may be null); `parent` is the source a filter is on.
Source* standin_create(const char* id, const char* name, Data* settings, Source* parent);
void standin_destroy(Source* source);
// As obs_source_update: the values of `settings` into the source's own, then its update.
void standin_update(Source* source, Data* settings);
// The filter's frame callback.
SourceFrame* standin_filter_video(Source* filter, SourceFrame* frame);
// As obs_source_properties: the type's properties, then every property's modified callback
// on the source's settings, as libobs applies them.
Properties* standin_properties(Source* source);

// What a property is, for the host's checks.
struct PropertyFacts {
  int kind;  // 0 integer slider, 1 check box, 2 text
  int min, max, step;
  const char* description;
  const char* longDescription;
  const char* suffix;
  TextType textType;
};
// The property at `index` of the properties in the order made (null past the last).
Property* standin_property_at(Properties* props, int index);
const char* standin_property_name(Property* property);
PropertyFacts standin_property_facts(Property* property);
long long standin_default_int(const char* id, const char* name);
bool standin_default_bool(const char* id, const char* name);

// Log lines (blog) holding both parts.
int standin_log_lines(const char* part, const char* other);
}

}  // namespace tessaro::obs
