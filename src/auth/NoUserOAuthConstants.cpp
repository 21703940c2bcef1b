#include "NoUserOAuthConstants.h"

#include "OAuthDeployment.h"

namespace skylaunch {

const TOAuthEnvironmentTable OAuthEnvironments = {{
    {u"E2E", SKYLAUNCH_OAUTH_E2E_APP_TOKEN, SKYLAUNCH_OAUTH_E2E_URL u"/oauth2/v1/clients",
     SKYLAUNCH_OAUTH_E2E_URL u"/oauth2/v1/tokens/bearer"},
    {u"PROD", SKYLAUNCH_OAUTH_PROD_APP_TOKEN, SKYLAUNCH_OAUTH_PROD_URL u"/oauth2/v1/clients",
     SKYLAUNCH_OAUTH_PROD_URL u"/oauth2/v1/tokens/bearer"},
}};

}  // namespace skylaunch
