#include "wizard/pages/frmChildFuncXML.h"
