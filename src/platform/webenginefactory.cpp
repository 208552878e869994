#include "platform/webenginefactory.h"

#include "platform/webenginebrowser.h"
#include "platform/webengineprofile.h"

BrowserEngineFactory webEngineFactory()
{
    return [](QWidget *parent) -> BrowserEngine * {
        return new WebEngineBrowser(sharedWebEngineProfile(), parent);
    };
}
