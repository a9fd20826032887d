#pragma once

// Everything a host needs, in one include.

#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/Operation.h"
#include "dorsa/pipeline/OperationBase.h"
#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/platform/Base64.h"
#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/HttpMessage.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/platform/Time.h"
#include "dorsa/platform/WideText.h"
#include "dorsa/platform/XmlErrorHandler.h"
#include "dorsa/session/AuthModules.h"
#include "dorsa/session/DorsaSession.h"
#include "dorsa/session/HeaderVals.h"
#include "dorsa/session/ILogger.h"
#include "dorsa/session/VendorNamespace.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlDom.h"
