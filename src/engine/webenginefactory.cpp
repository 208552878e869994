#include "engine/webenginefactory.h"

#include "engine/webenginebrowser.h"
#include "engine/webengineprofile.h"

BrowserEngineFactory webEngineFactory()
{
    return [](QWidget *parent) -> BrowserEngine * {
        return new WebEngineBrowser(sharedWebEngineProfile(), parent);
    };
}
