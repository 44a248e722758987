00003.61500,[   00.003    20    LSB   ]{1}(5)/ \80m net control
00006.99500,[   00.002    15    CW    ]{0}(1)/ \Beacon, slow keying
00007.03500,[   00.002    20    CW    ]{2}(9)/ \
00011.17500,[   00.003    25    USB   ]{0}(0)/ \Air/ground HF, net w/ 2 outstations
00014.23000,[   00.003    20    ISB   ]{1}(6)/ \Picture transmissions
00018.06800,[   00.002    10    CW    ]{2}(7)/ \
00027.18500,[   00.010    30    AM    ]{1}(9)/x\CB channel 19
00033.00000,[   00.025    20    FM    ]{2}(9)/ \
00040.68000,[   00.050    35    AM PLS]{0}(2)/ \ISM telemetry pulses
00049.83000,[   00.015    20    FM    ]{1}(8)/ \Baby monitor
00118.10000,[   00.025    20    AM    ]{1}(4)/ \Tower
00121.50000,[   00.030    15    AM    ]{0}(0)/ \Guard, ELT sweep
00136.97500,[   00.025    20    IFT   ]{1}(6)/ \ACARS data
00145.50000,[   00.030    20    FM    ]{2}(9)/ \Calling channel
