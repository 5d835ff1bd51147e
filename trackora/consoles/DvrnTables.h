// The parameter pages of the vehicle-tracker console and the order of its fields in ParamInfo.ini.
#pragma once

#include <string>
#include <vector>

#include "consoles/ParamText.h"

const std::vector<ParamPage>& DvrnPages();
const std::vector<std::string>& DvrnIniOrder();
