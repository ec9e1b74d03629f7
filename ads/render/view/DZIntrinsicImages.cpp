#include "ads/render/view/DZIntrinsicImages.h"

#include <algorithm>
#include <cmath>

#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZ_RTMStringEncoding.h"
#include "platform/image/PngCodec.h"

namespace {

constexpr int kMaxSide = 256;

// tikoleap-uiart --ad-images: ad_close_button.png (25 x 25 pixels).
constexpr std::string_view kCloseButton1x =
    "iVBORw0KGgoAAAANSUhEUgAAABkAAAAZCAYAAADE6YVjAAAABmJLR0QA/wD/AP+gvaeTAAAE7ElEQVRIiZ2Wb0wTdxjHv787"
    "r7daOnoUFTqJb8yULK2mM6st+ELDq40YkyVmJQ2BuGZZJmXBhJi4BGmyNCFEi74QeTN4Ce7NmEsWUkoCbqDRMVED4l4so8am"
    "Ekp7d6Xc+bvf3oyGauufPcnz5p77Pp/nud9zzx3BWxpjbCeAGgCVADIAkoSQ3NtoyRsS7wXw+ebm5qe6rrsopTsMw+A5jqM8"
    "z78QBOFPURR/BfAjIeTpO0EYY1YAHbIsfy3LcvXi4qL48OFDkk6nIcsyrFYrJEmC0+lk9fX1eavV+ryiomIQwFVCiPJGCGNs"
    "n6qqw9ls1hOLxczj4+PIZDJlu7XZbDh16hSOHz++YbPZZs1mczsh5J+yEMbYPkVRfkkkEh9euXJFWF5eLpv8ZTt48CBCoZDm"
    "cDiWKyoqPtsOKkAYY1ZFUX5OJBLenp4eUyqVemvAlu3Zswe9vb26w+H4zWq1NhNCVADgtm7QNO3bbDb7yaVLl0zJZBKGYbyz"
    "P3v2DJcvXxZkWfZomta5lZv7r4sPcrncVxMTE+bFxcWCyOl0IhKJwO12l0zqdrsRiUTgdDoL1x49eoRYLGZWVfUbxpijAFFV"
    "1a8oSvXY2BgopQX3+/3w+Xzo6+uDx+Mpink8HvT19cHn88Hv9xfFxsbGkMvlqlRV/aIA2dzcPLmwsGBaW1srqnR0dBS6rkMQ"
    "BEQiEXi9XhiGAa/Xi0gkAkEQoOs6RkdHi3Srq6t48OCBmM/nTwIAxxizEELq5+fnyfZqKKWYnZ1Fd3c3NE0rgILBYAGgaRq6"
    "u7sxOzuLl7Xz8/OE47iPGGM7OQC7KaU7UqlUyec+PT2Nc+fOQdM0mEwmnDlzBiaTCbqu4/z585ieni6pS6VSoJTuALCbA2Cj"
    "lPKyLJedmlu3bmFkZKRoXIeHhzE1NVVWk8lkQCnlAUgcgDTHcYbFYnml5S0/evQoWltbiyBtbW04duxYWY3FYgHHcQaANQ7A"
    "c57nX9jt9pIVNTY2YmBgAKIoQtM0XL9+vXBG/f39aGxsLKnbtWsXeJ5/AeA5RwhRNzY2/nK73ezlajweD6LRKEwmEzRNQygU"
    "QjQaRSgUKpxRNBp9ZbwppXC73UYul1smhOQ4AFAUZeLQoUOaJElF1QQCgQKgo6OjcAZTU1Po6OgogAKBQJGuqqoKLpdLUxRl"
    "ovCeyLI8bDabMy0tLUXVDA0NIR6PIxgMYnJysig2OTmJYDCIeDyOoaGholggEIAoiplsNjtStCAXFhauVlZWftnZ2fne/fv3"
    "33k5btnhw4cxMDCwsb6+PuhyubqKFuTS0lIPY2wpHA7rtbW1/2tB1tbWore3V6eULt27dy9ctCAB4PTp02t37txptdvtT69d"
    "u6Y7nc6y41nKXS4XBgcHdbvdnpiZmWltb29f38rNb2/1xo0bqQMHDszU19f7mpubK+12u/D48WOoqgrGWEmvrq7G2bNn0dXV"
    "tSEIwuLNmzdbgsHgwva8Jb/xFy9e3N3U1PT9/v37T+bz+ffv3r0r3r59mySTSaTTaUiShJqaGng8HuPIkSOaKIrZJ0+e/DQ+"
    "Pv5df3//K1+71/6thMPhjxsaGtrq6uoaJEnaRynlDcPgOI4zeJ6n6XT675WVld/n5uZ+uHDhwh/l8rwWss1MTU1Ne0+cOFEn"
    "SVJ1Op1ejcfjK7FYLAFAe5P4X9xaxndBGbqIAAAAAElFTkSuQmCC";

// tikoleap-uiart --ad-images: ad_close_button@2x.png (50 x 50 pixels).
constexpr std::string_view kCloseButton2x =
    "iVBORw0KGgoAAAANSUhEUgAAADIAAAAyCAYAAAAeP4ixAAAABmJLR0QA/wD/AP+gvaeTAAALtklEQVRogeWaaWxU1xXH//e9"
    "mfdmPKvHyxh7xguECIRCIhQbSCwIOEUFLFGnDUGqHQiLAaNYKgliqRSpKmkEqGkUO2CBw9pGIlRVjEukkjppkBNiXATyh4Ab"
    "Dx4bbGNjjz37vPX2A2PH2DPjBdNK7ZHul/fOuef8zl3eXR7wPyJkpiuklJoB5ALIA2ACoI++CgPwAXADcBNCfDPp97FBKKUM"
    "gCUAigAsBjB3MmYA2gB8B+DvAK4RQtTHiWPaINHMlwJYD2CWoihsOBw2CIKQJMsyp6qqhlLKREFBCFEJISrLshLLshLP8yG9"
    "Xh9kWVYB0APgPIA/EkL8/xEQSikHYCuALZRSUzAYNAWDQYssyzoARJIk9PT0oLe3Fz6fD6IoAgB4nofJZILdbsesWbOg1WoB"
    "gGq12nBSUpLPYDD4o92tFsBJQoj4xEAopc8D+B2AHJ/PlxwKhayKomh9Ph+amppw8+ZNuFwuSJKUsB6O4zBnzhw899xzKCgo"
    "gNlsBsuyUlJS0qDZbB7Cw3F0gBByfUZBKKUEwA4Ab4bDYaPX602XZZnv7u7GpUuXcO3aNajq9Lo4y7IoKCjAmjVrkJmZCY1G"
    "I1gslj69Xh8A8AGAE4QQ+tgglFIWwG8B/Nzr9SYHAoHUYDBI6urq0NDQMG2AcYEQgqVLl2LDhg0wmUzUYDB4rFbrAICLAPYT"
    "QuRpg1BKNQCqKKVFAwMD9kgkYr59+zZqamowNDQ0IwBjxWazYceOHXj66afB87w/NTX1PiGkAcCbiWDigkS702FVVX/W398/"
    "SxRFw5dffolz587NWCvEE4Zh8Prrr2PFihXgOC6YmprawzDMXwDsi9fNEoHspJT+qr+/P0MQBFN9fT0uXLjwxIKPJevXr0dx"
    "cfHoljlCCDkRSzcmSHR2OuvxeOyhUMjW0NCA06dPP8mY48obb7yBlStXIikpyWOz2XoB/JIQcmOsHjP2QfQ7cTAQCFhCoVDy"
    "rVu3cObMGVBK/yvl9OnTaG1tRSgUSg4EAhYAh6IxJgYBsFWSpLl+vz8lEAiQ6upqyLIMVVX/K0WWZVRVVSEQCBC/358iSdIc"
    "AJsSglBKTZTSzX6/3yrLMn/+/Hl4PJ642TKZTFi3bh3WrVsHk8k05WxP1n5gYAAXLlyALMu83++3Ukq3R5dII0LGgFQIgrCn"
    "v7/f0dHRodm3b1/cGcpsNuPkyZPIyMgAAPT19aGyshL37t2LqT9WHA4HPvzwQ6SnpwMA7t+/j82bN8Pni70oZhgGhw8fhtPp"
    "lFJTU7t4nj9ECKkZ1yLRxd36UChkUlVV89lnn0FRlLhZKioqGoEAgPT0dFRVVcHhcEzYEg6HA1VVVSMQAJCRkYGioqK4Noqi"
    "oK6uDqqqaoPBoIlSumF4QfoICICloihmRyIRg9frxdWrVycMaKykpaVNCDMMkZaWNs5+In+NjY3w+XwQBMEgSVI2gOdjgRSJ"
    "osjJssw3NjZCkqSEg/Dy5cvo7e2NCVNdXY2srKxxNllZWaiuro4J0dvbi8uXLyf0KUkSGhsbIcsyL4oiB+An40AURVkqCIKe"
    "Ukqam5snzI7X68WuXbvw4MGDmDA1NTXIycl5pCWOHj0aE2JgYACVlZXwer0T+r1+/ToopUQQBL2iKEsfAaGUmlVVnStJEi+K"
    "IlpbWyc163R2dmLHjh0xYVJSUnD06FHk5OTA4XDg2LFjcSF27tyJ9vb2Sfm8desWJElCdPM2j1JqHN0ieYqiaFRV1XR1dUEQ"
    "hElPoZ2dndi+fXtcmI8++gg1NTUxIR48eIBt27ZNGoJSikgkgu7ubiiKolEURYOH5wMjIDmqqjKqqrLd3d1T/h4Mw/T19cXs"
    "ZvFaoqKiAp2dnVP2193dDVVVNaqqMnh4yDECYlVVlaGUMh6PZ1pfYLfbjfLy8pgwsSDKy8vhcrmm5WtwcBCUUiYKYh4NkkQp"
    "JZRSEolEppyh4dLR0YFt27YlhOnr68PmzZtx586dafsJhUIYjheAEQA0ww6iD0eUpysT2TIMA4ZhZsTHcMzAjy0SHNbR6XTT"
    "zpTT6URtbe0jX+yxkpqaihMnTiAvL2/afvR6PfDwbAwAAqNBhgghlGEY1Wq1TqvfOp1OfPzxxwkhxsLk5uZOy5fVagXDMGp0"
    "t+gdDdIZfahkZmZOOUPZ2dk4efJkTIi+vr6YY2YYJjs7e8r+HA4HCCFyNGb3aJA7hBBVo9FITqcTHMfNCER/fz+2bNmCTZs2"
    "xVzOpKen48yZM1PqZjzPIzMzEyzLygzDKI+AEEL8giC4tVqtqNVqMW/evElDnDp1Cna7PSbEpk2b4HK54Ha748Kkpqbi1KlT"
    "k4aZP38+NBoNtFqtGA6H2wkhj4wRRCKRJo1GIxJC6OLFiyes0Gw2x4Xo7e1FaWkpXC7XiL7b7cbGjRvjwtTW1sJsNk/od/Hi"
    "xSCEUI1GIwqC8N1wHSMgWq22PqogLF++HISQhANu9erVj+xHRkOUlZWhvb19nE17ezvKyspiwmRkZGD16tUJfRJCsGzZMmi1"
    "2gghhOp0urpxIGlpaY2iKPbxPB+yWq1Yvnx5wszEkmEIt9sd187tdseFARLvSVasWAGLxQKO48KiKPbabLamcSCEEHVgYODP"
    "HMcJDMNIr7322siHK1apr69HV1fXSAA9PT0oLS2d1AKwvb0dpaWl6OnpGbHv6upCfX19XBuGYRCNSeI4TvB4PJ+OvlN5ZM/u"
    "crksFovln5TSFL/fn1xVVYWLFy/GzBwAWK1WrF27FgBw6dKlKR+jTsW+pKQEFRUVMJlMg4QQT3d3d/7ChQsHY4IAwM2bN3+T"
    "l5e3zefz2QYHB/mtW7eiv79/SgHOtNjtdhw/fhxWq1Uwm80el8t1dNGiRQdH64w717px48Z7gUCgx2Aw+IxGIz1w4MCEA/9J"
    "FkII9u/fD4PBQA0Ggy8QCNxva2v7/di42bEP6urq5KKios7s7Oy1LMuqNptNZ7VacfXq1ZlN8ySEEILdu3ejsLAQRqPRyzBM"
    "pLm5eVdJScm/xuqOAwGATz75pK24uDgtKytrAaWUzJ49m+M4DtevT/oC6bGFEILy8nKUlJRAr9cH9Hp9sKWl5dSqVatqY+nH"
    "BAGA9vb2rwsKCvLtdnuGqqrs/PnztSkpKWhqaop7aDdTwrIs3nrrLbzyyivQ6XQho9Hoa2tr+/r999+v/P7772PO/XFB3G63"
    "GgqFPn/mmWeWpaWlJQPA7Nmz+UWLFqG5uRnBYDCe6WOJ3W7HoUOH8OKLL0Kn0wWNRqOvo6Pj5t69e8vq6+uFeHZxQQCgpaVF"
    "ampq+mt+fv6zmZmZs1iWlZOTk3Vr1qwhkUgEt2/fhqqqU169xiqEEBQXF+PgwYNwOp3UaDR6k5KSgq2trVd37969saGhIeG1"
    "9aQuQx0Oh/7YsWPvFRYW/kJRFC4UCpklSeLdbjfOnTuHhoYGyHLCK764otVq8fLLL6OsrAzZ2dnQarWCwWDwEkKkxsbGTysq"
    "Kn5979698ET1TOV6mjly5MiGV199dW9ycnKaIAi6UChkVBRFOzQ0hC+++ALffvstWlpaEIlEElak0+mwcOFCFBYWoqioCFar"
    "dfh6OsDzfGRwcLD37Nmzf3jnnXf+BECZTHBT/mFgwYIF2e++++7eF1544ac8z+tFUeTD4XCSJEk8pZTIsoyOjg7cvXsXHo8H"
    "4fDDZOr1ethsNjidTuTk5ECj0YAQQjmOi+h0ujDHcYIgCOFvvvnm87fffvuwy+W6O5W4pvsLB7ty5cpnKysrt+Xn5y8zGo3J"
    "lFIiSRInSRIny7Jm+NyJRg8IhrfSDMPIGo1Gju59REIIDQQCg01NTVc++OCD41euXGnBJFthJkCGhbFYLLl79uxZVVBQsOKp"
    "p56am5ycnMEwsS7CfhRVVeHxeHra2tp+aG5u/sfBgwf/FolEOgBMe16fyd+cOABpS5YsyX3ppZfm5ubm5un1egvHcUkAIIpi"
    "KBwOe+/cuXPnq6+++qG5ubkDQB+AxP97/L/JvwHUHGMPziA6/gAAAABJRU5ErkJggg==";

// tikoleap-uiart --ad-images: ad_browser_back.png (27 x 27 pixels).
constexpr std::string_view kBrowserBack1x =
    "iVBORw0KGgoAAAANSUhEUgAAABsAAAAbCAYAAACN1PRVAAAABmJLR0QA/wD/AP+gvaeTAAABTklEQVRIie3UMUsCYRjA8efu"
    "qKGoJkGQ2oLATUgIWhpdoggXl4Y+g5WjrdkHcIoSmoNWB5eCaBeEGhoCiXKIOA7ufP4NeSRyWtq9U/3Hl+P5cfe+74n892cD"
    "LCAP5ExDa8AtgKp6ppAl4AJQ+oobmQWOVNXtvQ2xY+G+qOojI4oDWgWuRyG/xoAUcD64L7FiwAxwoKrvP0UmwoAtVX0aF/kO"
    "s6IWu93um23bc2N+jK+hlhU5145aLJfLl51Ox50UG7eVRCJxWK1Wb1zXDYzuWa8pEVnPZDLH9Xr9fvDixo2FzYvIdj6fP202"
    "m8+msbCU4zh7pVLpqt1uu6Yxkc/Tm04mk/u1Wu3O87wADP0b+5oWkY1sNnvSaDQeTGNhCyKyUygUzlqt1guA7/v+sIcjL98E"
    "LTqOkysWi5tBELxWKpXdmOYOzRKRtIgsm4b+eB+oO0zCOENYBgAAAABJRU5ErkJggg==";

// tikoleap-uiart --ad-images: ad_browser_back@2x.png (54 x 54 pixels).
constexpr std::string_view kBrowserBack2x =
    "iVBORw0KGgoAAAANSUhEUgAAADYAAAA2CAYAAACMRWrdAAAABmJLR0QA/wD/AP+gvaeTAAACB0lEQVRoge2XMYvTYACGn3oq"
    "WDvI6eHgVpC6+xeK4HH4B/wFFUQ4iDjZoJNChRtE+gPOwbEqdfIfFERxcbui3YptFoOmvg4a6Qmt+dKkX1K+ZwwheR/aJyTg"
    "cDgcDofDkQRJpyXtSxpJ+iJpz/amlZF0Q9InHeez7V2pkXRF0mstwPY+YyTtSHomKVokVSoxSack3ZH0dZlQqcQWdFReMf2n"
    "o9KJSdqWdCDpRxqpwonJsKNSiElqSvq4qlBhxLRCR4UUUwYdFUpMGXZUGDFl3JF1MeXUUZZiJwyFtiUdAB+AXdObrZOTSU+U"
    "tAscAufym5MdlaQn6vc30aUctyylUqkk3goGf8UoihL/ukUgsVi73X4ZhmGY5xhb7Nfr9Ue9Xu9dFEU/1/lETPNUNOEycA/w"
    "m83m08FgcLQpYgBngOvAfcBvtVqHw+Ew1zeOdYnFXABuAn61Wn3Q6XTeBEEQboJYTB24Bfh597duMYAt4Cpwlxz7syEWk2t/"
    "NsVicunPttQ8mfZnW+ZfMuvPssdCjvXned6L0WgUbIJYTOr+bA9PSgO4DfiNRuNxv99/P5vNlvZne7AJRv1Z3pqKs8AeS/qb"
    "TCaB5Y0r8be/Wq32sNvtvh2Px9+m02nged5z04sZfW6viQZwDTg/dywAnphcZCvLRRkxBgZACFwEvgOv/hx3OBwOh2OeX2/H"
    "O9lCUL6mAAAAAElFTkSuQmCC";

// tikoleap-uiart --ad-images: ad_browser_forward.png (27 x 27 pixels).
constexpr std::string_view kBrowserForward1x =
    "iVBORw0KGgoAAAANSUhEUgAAABsAAAAbCAYAAACN1PRVAAAABmJLR0QA/wD/AP+gvaeTAAABUUlEQVRIie3Wv0sCYRzH8U+Z"
    "NUQ/NgchCGppDYQbGoKWZrdD1/ofHJvCoRYJWo8I51rTOaEInASHBqnJXALvjqvn3WCChYqnnUP4Hu+47+ue457jpFn/JuAQ"
    "SANzkWPGGI9OFcCKFONnBrgGNqaBdWsDJ8DyNLDOMo15BY6A+cixnh6AvWlh3W6BzWlhGGNc4BRYiRzrQV+AdL+ZAzcsQOg7"
    "/M4Y8x6LxVZ/H18Yd+CgWq1Wu1Ao3IS6KOzj8zzvs1gsPiWTyZyknciwSqXSsCzrXNKBpKVQ0KhYvV5vZbPZK0m2pPXQyChY"
    "s9l08/n8XTweP5Y0+feyH+L7/ofjOI+JRCInaVdD3uaxMWMM5XL5OZVKnUnal7T4J0i3IAgCgFqt9mbbtiMpLWltkpmxQSdc"
    "190qlUqNTCZzUa1WLyXdS/InwYa1rc5+if63YFaYvgBxVFc76K+3IwAAAABJRU5ErkJggg==";

// tikoleap-uiart --ad-images: ad_browser_forward@2x.png (54 x 54 pixels).
constexpr std::string_view kBrowserForward2x =
    "iVBORw0KGgoAAAANSUhEUgAAADYAAAA2CAYAAACMRWrdAAAABmJLR0QA/wD/AP+gvaeTAAACGElEQVRoge2YMYvTYByHn6jo"
    "oHQTF4fbChVx7OLkfBEcXPUTuBwUXKoFoYN+AF26SBcVRBA7CNKKu0JvUW+4xcugCKVmKGeTn8M16skZk9ybvqm8D2QIvCH/"
    "h+QJScDhcDgcDsfqI2ld0s5i25B03PZMRpD0Sfv5KOmy7bkOjf7OK0kXbM9XmBQxSZpLui/ptO05c/MPsYRvkjqSTtieNzMZ"
    "xRJWp7+cYgnV76+gmCRFkh5KOmPb4UAOIZZQzf4MiCVsSbpq2+cnBsUSqtFfCWJSFforSSzBXn8liyUsv78liSUU7u+IaXHD"
    "XALeqkB/Xt4zSVLeYwwxAa55nvc8y+JVEgPY8TzvbJaFVb8V9zGfz49lXZt5oW1ms9ms2+2+KO0ES34qKo7jeDgcvm80GveA"
    "jf9CbDweB77vPwA6wE2gvtJiQRBM2+3204XQbeAKcKo0qbLFwjDc7fV6r2u12p2F1HVgOe+PZQj90VEHuAGcW4pQWWIHdHQR"
    "G09rU0JWOipTzGpHaRQVqkRHaRSRqkxHaeQRCoJg2mq1HlOVjtLIIlTZjtJIE4qiKB4MBpv1ev0uvzoq7zXIJCvdURqTyWSa"
    "0tEtYB04aXVI4GjeA6IoOt9sNtfCMFS/33/j+/6T0Wj0GdgGHgHvgO+mB81L7l8D7H0T1X7b/wq8BD4YmcgQua8YeyJrwC4w"
    "Ap4BX8yN5HA4HA5HZn4AYyhIcdOHumcAAAAASUVORK5CYII=";

}  // namespace

DZIntrinsicImages& DZIntrinsicImages::sharedInstance() {
    static DZIntrinsicImages images(DZDevice::sharedInstance()->mainScreenDensity());
    return images;
}

DZIntrinsicImages::DZIntrinsicImages(float density) : density_(density) {}

std::string_view DZIntrinsicImages::chooseImage(std::string_view single, std::string_view doubleDensity,
                                                float density) {
    return density == 1.0f ? single : doubleDensity;
}

std::shared_ptr<const platform::Image> DZIntrinsicImages::imageWithBase64EncodedString(
    std::string_view text) {
    const auto data = DZ_RTMStringEncoding::rfc4648Base64StringEncoding()->decode(text);
    if (!data || data->empty()) return nullptr;
    auto image = platform::PngCodec::decode(data->data(), data->size(), kMaxSide);
    if (!image || !image->hasBitmap()) return nullptr;
    return std::make_shared<const platform::Image>(std::move(*image));
}

DZIntrinsicImages::Picture DZIntrinsicImages::embedded(Picture& picture, std::string_view single,
                                                       std::string_view doubleDensity) {
    std::lock_guard lock(mutex_);
    if (!picture.image) {
        const std::string_view text = chooseImage(single, doubleDensity, density_);
        picture.image = imageWithBase64EncodedString(text);
        // The picture's own scale keeps it the same size in points whatever the density.
        picture.scale = text == single ? 1.0f : 2.0f;
    }
    return picture;
}

DZIntrinsicImages::Picture DZIntrinsicImages::closeButton() {
    return embedded(close_, kCloseButton1x, kCloseButton2x);
}

DZIntrinsicImages::Picture DZIntrinsicImages::browserBackButton() {
    return embedded(back_, kBrowserBack1x, kBrowserBack2x);
}

DZIntrinsicImages::Picture DZIntrinsicImages::browserForwardButton() {
    return embedded(forward_, kBrowserForward1x, kBrowserForward2x);
}

DZIntrinsicImages::Picture DZIntrinsicImages::transparentImage() {
    std::lock_guard lock(mutex_);
    if (!transparent_.image) {
        const float scale = density_ > 0 && std::isfinite(density_) ? std::min(density_, 8.0f) : 1.0f;
        const int side = static_cast<int>(std::ceil(10 * scale));
        auto image = std::make_shared<platform::Image>();
        image->width = image->height = side;
        image->content = platform::Image::Content::RGBAPremultiplied;
        image->pixels.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * 4, 0);
        transparent_.image = std::move(image);
        transparent_.scale = scale;
    }
    return transparent_;
}
