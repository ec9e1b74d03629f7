#include "tools/adserver/PurchaseBanner.h"

namespace tikoleap::adserver {

std::string PurchaseBanner::html(const std::string& baseURL, const std::string& ad) {
    const std::string report =
        baseURL + "adpage/track?c=iap&ad=" + ad + "&sku=@sku@&quantity=@quantity@&status=@status@";
    // The message leaves through a frame of its own: the page itself never navigates.
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=320,height=50\"><title>Tiko Leap</title><style>"
           "html,body{margin:0;padding:0;width:320px;height:50px;overflow:hidden;background:#d4a017}"
           "div{display:flex;align-items:center;justify-content:center;width:320px;height:50px;color:#3b2a00;"
           "font:bold 16px sans-serif;white-space:nowrap;cursor:pointer}"
           "</style></head><body><div id=\"offer\">" +
           std::string(kText) +
           "</div><script>"
           "document.getElementById('offer').addEventListener('click',function(){"
           "var f=document.createElement('iframe');f.style.display='none';"
           "f.src='amsg://page/open?a=in_app_purchase&product_id=" +
           kProductID + "&quantity=" + std::to_string(kQuantity) + "&report_urls='+encodeURIComponent('" +
           report +
           "');document.documentElement.appendChild(f);});"
           "</script></body></html>";
}

void PurchaseBanner::answer(httplib::Response& res, const std::string& baseURL, const std::string& ad) {
    res.set_content(html(baseURL, ad), "text/html");
}

}  // namespace tikoleap::adserver
