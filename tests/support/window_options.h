// Start options of a main window whose data folder and settings file lie in a test's folder.
#pragma once

#include "app/start_options.h"
#include "support/temp_dir.h"

inline TStartOptions WindowOptionsIn(const TTempDir& dir) {
  TStartOptions o;
  o.ExeFolder = dir.Folder();
  o.SettingsFile = dir.File("tesmaro.ini");
  o.BackupFolder = dir.File("backups") + "/";
  return o;
}
